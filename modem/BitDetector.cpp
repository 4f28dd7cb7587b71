#include "BitDetector.h"

#include "modem/ClassicDetector.h"
#include "modem/SoftDetector.h"

std::unique_ptr<TBitDetector> MakeBitDetector(TDetectorKind Kind)
{
    if (Kind == TDetectorKind::Classic) return std::make_unique<TClassicDetector>();
    return std::make_unique<TSoftDetector>();
}

std::optional<TDetectorKind> ParseDetectorKind(std::string_view Name)
{
    if (Name == "classic") return TDetectorKind::Classic;
    if (Name == "soft") return TDetectorKind::Soft;
    return std::nullopt;
}

std::string_view DetectorKindName(TDetectorKind Kind)
{
    return Kind == TDetectorKind::Classic ? "classic" : "soft";
}
