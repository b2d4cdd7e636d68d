// The skin files' contents a window's skin takes: the background, its region,
// the message box's frame images, and later the page and second background
// bitmaps. One archive binding serves the whole skin, so a missing archive
// library is reported once per window; each read sees the archive file's
// current contents. Nothing read here can stop a skin from being made: a
// piece that cannot be read is simply empty.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "loader/bindings.h"
#include "loader/skin/skin_rules.h"

namespace kb::loader {

// A skin archive, read entry by entry.
class SkinArchiveReader {
public:
    virtual ~SkinArchiveReader() = default;
    // Takes archivePath's entries as the file holds them now; an archive that
    // cannot be read (or "") then holds no entries.
    virtual void Open(const std::string& archivePath) = 0;
    // The named entry of the archive opened last; false when it has none.
    virtual bool Load(const std::string& entry, std::vector<uint8_t>& bytes) = 0;
};

// The product's reader: one TArkstow binding, made when the reader is made.
class ArkstowSkinArchive final : public SkinArchiveReader {
public:
    // Binds "Arkstow.dll" beside the program.
    ArkstowSkinArchive() : binding_(std::make_unique<TArkstow>()) {}
    explicit ArkstowSkinArchive(std::unique_ptr<TArkstow> binding) : binding_(std::move(binding)) {}
    void Open(const std::string& archivePath) override;
    bool Load(const std::string& entry, std::vector<uint8_t>& bytes) override;

private:
    std::unique_ptr<TArkstow> binding_;
};

// What skin creation reads, each piece empty when it cannot be read.
struct SkinAssets {
    std::string archivePath;     // empty: the prefix's letter has none
    std::string buttonListPath;  // empty: no button list
    // The region entry's bytes; empty for no region (region not allowed,
    // Region empty, or entry missing). Checked by whoever makes the region.
    std::vector<uint8_t> region;
    bool draggable = false;  // the background part's Move is not 0
    // The background part's Name bitmap, undecoded. For the message box
    // (tiled) these are the bytes RetileBackground uses again.
    std::vector<uint8_t> background;
    bool tiled = false;  // prefix "Cd": tile the background, keep the image's size
    // Prefix "Cd": the frame parts' bitmaps in frame order, each kept as
    // loaded whatever its size; frameSize is the "CdFrame" record, recorded only.
    std::array<std::vector<uint8_t>, 8> frames;
    int frameWidth = 0, frameHeight = 0;
};

class SkinResources {
public:
    // files: the program's folder and the Splash fallback's file test. def is the skin definition of prefix and must outlive these resources;
    // archive is made once per skin (for the product, ArkstowSkinArchive).
    SkinResources(std::string prefix, const SkinPartSource& def, std::unique_ptr<SkinArchiveReader> archive,
                  const SkinFiles& files);
    SkinResources(const SkinResources&) = delete;
    SkinResources& operator=(const SkinResources&) = delete;

    const std::string& Prefix() const { return prefix_; }
    const std::string& ArchivePath() const { return archivePath_; }
    const std::string& ButtonListPath() const { return buttonListPath_; }

    // Reads what skin creation needs from the prefix's archive and leaves it
    // open for the button images (LoadEntry).
    SkinAssets LoadCreationAssets(bool useRegion);
    // An entry of the archive opened last (a button image during creation).
    bool LoadEntry(const std::string& entry, std::vector<uint8_t>& bytes);

    // The page bitmap of a SetPanel plan, read from "skin\Reader.arc" as it is
    // now; empty when the plan names none or the entry is missing.
    std::vector<uint8_t> LoadPageBitmap(const SkinApply& panelPlan);
    // LoadBackground: the "RwBg"/"RwBg2" bitmap from "skin\Reader.arc" as it
    // is now; none for any other part (nothing to do, no message); an empty
    // vector when the entry is missing.
    std::optional<std::vector<uint8_t>> LoadBackground(std::string_view part);

    // The apply operations, with this skin's definition.
    SkinApply Apply(SkinOp op, std::string_view part, const ControlBounds& current,
                    const SkinFontSettings& fonts) const {
        return PlanSkinApply(op, part, current, def_, fonts);
    }
    uint32_t GetColor(std::string_view part, int index) const { return GetSkinColor(part, index, def_); }
    ButtonGroupPlan SetButtonGroup(std::string_view part, int group) const {
        return loader::SetButtonGroup(part, group);
    }

private:
    std::vector<uint8_t> Read(const std::string& entry);
    std::string prefix_;
    const SkinPartSource& def_;
    std::unique_ptr<SkinArchiveReader> archive_;
    std::string programDir_;
    std::string archivePath_;
    std::string buttonListPath_;
};

}  // namespace kb::loader
