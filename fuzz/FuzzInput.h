#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Takes a fuzz input apart: numbers and byte strings from the front, running
// dry gracefully (zeros, empty strings) so every input is a valid case.
class TFuzzInput {
public:
    TFuzzInput(const std::uint8_t* data, std::size_t size)
        : FData(data)
        , FSize(size)
    {
    }

    bool Empty() const { return FPos >= FSize; }
    std::size_t Left() const { return FSize - FPos; }

    std::uint8_t Byte() { return Empty() ? 0 : FData[FPos++]; }
    std::uint16_t Word()
    {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    std::int32_t Int()
    {
        std::uint32_t v = Word();
        v |= static_cast<std::uint32_t>(Word()) << 16;
        return static_cast<std::int32_t>(v);
    }
    // At most n bytes.
    std::string Bytes(std::size_t n)
    {
        if (n > Left()) n = Left();
        std::string s(reinterpret_cast<const char*>(FData + FPos), n);
        FPos += n;
        return s;
    }
    // A string whose length is given by the next byte.
    std::string ShortString() { return Bytes(Byte()); }
    std::string Rest() { return Bytes(Left()); }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPos = 0;
};

// A broken property: libFuzzer keeps the input that led here as a crash.
[[noreturn]] inline void FuzzFailure(const std::string& what)
{
    std::fprintf(stderr, "fuzz property broken: %s\n", what.c_str());
    std::abort();
}

inline void FuzzCheck(bool holds, const std::string& what)
{
    if (!holds) FuzzFailure(what);
}
