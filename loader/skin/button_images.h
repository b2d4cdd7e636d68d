// An image button's images and the index it shows. Pure: Image is the
// Windows side's bitmap type; this keeps the list's size rule and tells when
// to draw.
#pragma once
#include <cstddef>
#include <utility>
#include <vector>

namespace kb::loader {

// All images of one list share one size: an image of another size than the
// images held drops every image held before it (they could not be shown at
// the new size). An empty image (entry missing or not decodable) keeps its
// index, draws nothing and leaves the size alone, so a missing pressed image
// does not wipe the normal one, nor a present pressed image the missing
// normal one's place.
template <class Image>
class ButtonImages {
public:
    void Add(Image image, int width, int height) {
        const bool empty = width <= 0 || height <= 0;
        if (!empty && (width != width_ || height != height_)) {
            if (sized_) slots_.clear();
            sized_ = true;
            width_ = width;
            height_ = height;
        }
        slots_.push_back({std::move(image), !empty});
    }

    std::size_t Count() const { return slots_.size(); }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The image at index, or nullptr for an index the list does not hold or
    // an empty image.
    const Image* At(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= slots_.size() || !slots_[index].usable) return nullptr;
        return &slots_[index].image;
    }

    // The index shown; -1 until the first Show.
    int Shown() const { return shown_; }

    // False when n is already shown: nothing to do. Otherwise n becomes the
    // shown index (also when the list does not hold it) and the caller draws
    // At(n) when that is not null.
    bool Show(int n) {
        if (n == shown_) return false;
        shown_ = n;
        return true;
    }

private:
    struct Slot {
        Image image;
        bool usable;
    };
    std::vector<Slot> slots_;
    bool sized_ = false;  // a usable image has set the size
    int width_ = 0;
    int height_ = 0;
    int shown_ = -1;
};

}  // namespace kb::loader
