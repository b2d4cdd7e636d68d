#include "loader/skin/skin_resources.h"

#include "loader/path_csv.h"

namespace kb::loader {

void ArkstowSkinArchive::Open(const std::string& archivePath) { binding_->OpenArchive(archivePath); }

bool ArkstowSkinArchive::Load(const std::string& entry, std::vector<uint8_t>& bytes) {
    // An archive that could not be opened has no path; asking the library
    // about "" would only fail later.
    if (binding_->ArchivePath().empty()) return false;
    return binding_->LoadToStream(entry, bytes);
}

SkinResources::SkinResources(std::string prefix, const SkinPartSource& def,
                             std::unique_ptr<SkinArchiveReader> archive, const SkinFiles& files)
    : prefix_(std::move(prefix)), def_(def), archive_(std::move(archive)), programDir_(files.programDir) {
    archivePath_ = SkinArchivePath(prefix_, files);
    const std::string list = SkinButtonListName(prefix_);
    if (!list.empty()) buttonListPath_ = IncludeTrailingBackslash(programDir_) + "skin\\" + list;
}

std::vector<uint8_t> SkinResources::Read(const std::string& entry) {
    std::vector<uint8_t> bytes;
    if (!archive_ || !archive_->Load(entry, bytes)) bytes.clear();
    return bytes;
}

bool SkinResources::LoadEntry(const std::string& entry, std::vector<uint8_t>& bytes) {
    bytes = Read(entry);
    return !bytes.empty();
}

SkinAssets SkinResources::LoadCreationAssets(bool useRegion) {
    SkinAssets a;
    a.archivePath = archivePath_;
    a.buttonListPath = buttonListPath_;
    if (archive_) archive_->Open(archivePath_);

    const SkinPart* bg = def_.Find(BackgroundPart(prefix_));
    const SkinPart empty;
    const SkinPart& b = bg ? *bg : empty;
    if (!b.region.empty() && useRegion) a.region = Read(RegionEntry(b.region));
    a.draggable = b.move != 0;
    a.background = Read(BitmapEntry(b.name));
    a.tiled = prefix_ == kMessageBoxPrefix;
    if (a.tiled) {
        if (const SkinPart* frame = def_.Find("CdFrame")) {
            a.frameWidth = frame->width;
            a.frameHeight = frame->height;
        }
        for (size_t i = 0; i < kFrameParts.size(); ++i) {
            const SkinPart* part = def_.Find(kFrameParts[i]);
            a.frames[i] = Read(BitmapEntry(part ? part->name : std::string()));
        }
    }
    return a;
}

std::vector<uint8_t> SkinResources::LoadPageBitmap(const SkinApply& panelPlan) {
    if (panelPlan.pageBitmap.empty()) return {};
    if (archive_) archive_->Open(ReaderArchive(programDir_));
    return Read(panelPlan.pageBitmap);
}

std::optional<std::vector<uint8_t>> SkinResources::LoadBackground(std::string_view part) {
    std::optional<std::string> entry = BackgroundEntryFor(part, def_);
    if (!entry) return std::nullopt;
    if (archive_) archive_->Open(ReaderArchive(programDir_));
    return Read(*entry);
}

}  // namespace kb::loader
