#include "shared/image/region.h"

#include <algorithm>

#include "shared/image/le_reader.h"

namespace kb::image {
namespace {

bool InRange(std::int32_t v) { return v >= -kMaxRegionCoordinate && v <= kMaxRegionCoordinate; }

bool Sane(const RegionRect& r) {
    return InRange(r.left) && InRange(r.top) && InRange(r.right) && InRange(r.bottom) && r.left <= r.right &&
           r.top <= r.bottom;
}

RegionRect ReadRect(LeReader& in) {
    RegionRect r;
    r.left = in.I32();
    r.top = in.I32();
    r.right = in.I32();
    r.bottom = in.I32();
    return r;
}

RegionProblem Check(const std::uint8_t* data, std::size_t size, RegionCheck& out) {
    LeReader in(data, size);
    const std::uint32_t n = in.U32();
    if (!in.Ok()) return RegionProblem::Short;
    if (n == 0) return RegionProblem::Empty;
    if (n > kMaxRegionBytes) return RegionProblem::TooLarge;
    if (n > in.Remaining() || n < kRegionHeaderSize) return RegionProblem::Short;

    if (in.U32() != kRegionHeaderSize) return RegionProblem::BadHeader;
    if (in.U32() != kRegionRectangles) return RegionProblem::BadType;
    const std::uint32_t count = in.U32();
    const std::uint32_t rectBytes = in.U32();
    const RegionRect stated = ReadRect(in);
    const std::uint64_t needed = std::uint64_t{count} * kRegionRectSize;
    if (count == 0 || needed > n - kRegionHeaderSize) return RegionProblem::CountMismatch;
    if (rectBytes != 0 && (rectBytes < needed || rectBytes > n - kRegionHeaderSize))
        return RegionProblem::CountMismatch;
    if (!Sane(stated)) return RegionProblem::BadRect;
    const bool statedEmpty = stated.left == stated.right || stated.top == stated.bottom;

    RegionRect bounds = ReadRect(in);
    for (std::uint32_t i = 0; i < count; ++i) {
        const RegionRect r = i == 0 ? bounds : ReadRect(in);
        if (!Sane(r)) return RegionProblem::BadRect;
        if (!statedEmpty && (r.left < stated.left || r.top < stated.top || r.right > stated.right ||
                             r.bottom > stated.bottom))
            return RegionProblem::BadRect;
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    if (!in.Ok()) return RegionProblem::Short;  // cannot happen once the count fits; kept as the reader's guard

    out.offset = kRegionCountSize;
    out.byteCount = kRegionHeaderSize + static_cast<std::uint32_t>(needed);
    out.rectCount = count;
    out.bounds = bounds;
    return RegionProblem::None;
}

}  // namespace

bool ValidateRegionData(const std::uint8_t* data, std::size_t size, RegionCheck& out) {
    out = RegionCheck{};
    const RegionProblem problem = data == nullptr ? RegionProblem::Short : Check(data, size, out);
    if (problem != RegionProblem::None) {
        out = RegionCheck{};
        out.problem = problem;
        return false;
    }
    return true;
}

}  // namespace kb::image
