#include "CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace {

class TIconv {
public:
    TIconv(const char* to, const char* from)
        : FCd(iconv_open(to, from))
    {
    }
    ~TIconv()
    {
        if (FCd != reinterpret_cast<iconv_t>(-1)) iconv_close(FCd);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    bool Valid() const { return FCd != reinterpret_cast<iconv_t>(-1); }

    // Converts one piece; returns false when the input at *in cannot be converted.
    bool Convert(const char*& in, std::size_t& inLeft, std::string& out)
    {
        char buffer[256];
        while (inLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            char* src = const_cast<char*>(in);
            const std::size_t r = iconv(FCd, &src, &inLeft, &dst, &dstLeft);
            in = src;
            out.append(buffer, sizeof buffer - dstLeft);
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

private:
    iconv_t FCd;
};

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string Cp1252ToUtf8(const std::string& bytes)
{
    std::string out;
    TIconv conv("UTF-8", "CP1252");
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    if (!conv.Valid()) {
        for (unsigned char c : bytes) AppendUtf8(out, c);
        return out;
    }
    while (!conv.Convert(in, left, out)) {
        // The five codes Windows-1252 leaves undefined map to the control
        // characters of the same value, as Windows itself does.
        AppendUtf8(out, static_cast<unsigned char>(*in));
        ++in;
        --left;
    }
    return out;
}

std::string Utf8ToCp1252(const std::string& text)
{
    std::string out;
    TIconv conv("CP1252", "UTF-8");
    const char* in = text.data();
    std::size_t left = text.size();
    if (!conv.Valid()) return text;
    while (!conv.Convert(in, left, out)) {
        out += '?';
        // Skip the rest of the UTF-8 sequence that could not be converted.
        ++in;
        --left;
        while (left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
            ++in;
            --left;
        }
    }
    return out;
}
