#include "BitDetector.h"

#include "modem/ClassicDetector.h"
#include "modem/SoftDetector.h"

std::unique_ptr<TBitDetector> MakeBitDetector(TDetectorKind kind)
{
    if (kind == TDetectorKind::Classic) return std::make_unique<TClassicDetector>();
    return std::make_unique<TSoftDetector>();
}

std::optional<TDetectorKind> ParseDetectorKind(std::string_view name)
{
    if (name == "classic") return TDetectorKind::Classic;
    if (name == "soft") return TDetectorKind::Soft;
    return std::nullopt;
}

std::string_view DetectorKindName(TDetectorKind kind)
{
    return kind == TDetectorKind::Classic ? "classic" : "soft";
}
