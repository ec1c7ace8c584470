#include "engine/pipeline/payload_check.h"

#include "engine/sevenzip/sevenzip.h"

namespace {

constexpr uint64_t kAllocationUnit = 4096;   // the usual NTFS cluster
constexpr uint64_t kSpareBytes = 4ull << 20;     // record, journal, marker

// Takes the listing and ends the extraction before any item is written.
class ListingCallback : public SevenZip::ProgressCallback {
public:
    explicit ListingCallback(PayloadListing* listing) : m_listing(listing) {}
    bool OnStart(uint32_t) override { return true; }
    bool OnItemList(const std::vector<std::wstring>& names, const std::vector<uint64_t>& sizes) override {
        m_listing->names = names;
        m_listing->sizes = sizes;
        m_listed = true;
        return false;
    }
    void OnStartWithTotal(const std::wstring&, uint64_t) override {}
    void OnRatio(uint64_t, uint64_t) override {}
    void OnProgress(const std::wstring&, uint64_t) override {}
    void OnDone(const std::wstring&) override {}
    bool OnItemStart(const std::wstring&, std::wstring&, bool) override { return false; }
    bool OnFileDone(const std::wstring&, uint64_t) override { return false; }
    void OnRestore(const std::pair<std::wstring, std::wstring>&) override {}
    bool listed() const { return m_listed; }

private:
    PayloadListing* m_listing;
    bool m_listed = false;
};

}  // namespace

LONG ReadPayloadListing(const void* archive, size_t size, PayloadListing* listing) {
    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchiveBytes(archive, size);
    ListingCallback callback(listing);
    const LONG result = extractor.ExtractArchive(std::wstring(), &callback);
    if (result != 0) return result;
    return callback.listed() ? 0 : E_FAIL;
}

uint64_t BytesNeeded(const PayloadListing& listing) {
    uint64_t total = kSpareBytes;
    for (uint64_t size : listing.sizes) total += (size + kAllocationUnit - 1) / kAllocationUnit * kAllocationUnit;
    return total;
}

bool HasRoomFor(const std::wstring& install_dir, uint64_t needed) {
    if (install_dir.size() < 3 || install_dir[1] != L':') return true;
    const std::wstring drive = install_dir.substr(0, 2) + L"\\";
    ULARGE_INTEGER available = {}, total = {}, free = {};
    if (!::GetDiskFreeSpaceExW(drive.c_str(), &available, &total, &free)) return true;
    return available.QuadPart >= needed;
}
