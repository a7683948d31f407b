// Bands deflated by ISA-L's fast level 1, and its checksums, which the PNG
// uses wherever ISA-L is built.
#include "png_deflate.h"

#include <algorithm>

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

namespace {

const size_t kOutputStep = size_t{1} << 16;

class IsalDeflater : public PngRawDeflater {
public:
    IsalDeflater() : levelBuffer_(ISAL_DEF_LVL1_DEFAULT) { Start(); }
    bool Compress(const unsigned char* pPiece, size_t cbPiece, int iEnd,
                  std::vector<unsigned char>& deflated) override {
        stream_.next_in = const_cast<unsigned char*>(pPiece);
        stream_.avail_in = static_cast<uint32_t>(cbPiece);
        stream_.flush = iEnd == PNG_PIECE_FLUSH ? SYNC_FLUSH : NO_FLUSH;
        stream_.end_of_stream = iEnd == PNG_PIECE_FINAL ? 1 : 0;
        for (;;) {
            size_t cbBefore = deflated.size();
            deflated.resize(cbBefore + kOutputStep);
            stream_.next_out = deflated.data() + cbBefore;
            stream_.avail_out = static_cast<uint32_t>(kOutputStep);
            int iResult = isal_deflate(&stream_);
            deflated.resize(deflated.size() - stream_.avail_out);
            if (iResult != COMP_OK) return false;
            // Output room left over means all input is compressed and flushed.
            if (iEnd == PNG_PIECE_FINAL ? stream_.internal_state.state == ZSTATE_END
                                        : stream_.avail_in == 0 && stream_.avail_out > 0)
                return true;
        }
    }
    bool Reset() override {
        Start();
        return true;
    }

private:
    // The stream and its level buffer zeroed, not only what isal_deflate_init
    // sets: every band then starts from the same state, whatever the thread
    // deflated before. (ISA-L 2.30's level 1 still picks another valid encoding
    // for some stream addresses, by their bits 16 and up: about one process in
    // 3,000 under address randomisation. The pixels are the same.)
    void Start() {
        stream_ = {};
        std::fill(levelBuffer_.begin(), levelBuffer_.end(), 0);
        isal_deflate_init(&stream_);
        stream_.level = 1;
        stream_.level_buf = levelBuffer_.data();
        stream_.level_buf_size = static_cast<uint32_t>(levelBuffer_.size());
        stream_.gzip_flag = IGZIP_DEFLATE;
    }

    isal_zstream stream_;
    std::vector<unsigned char> levelBuffer_;
};

}  // namespace

std::unique_ptr<PngRawDeflater> NewIsalDeflater() { return std::make_unique<IsalDeflater>(); }

uint32_t PngAdler32(uint32_t ulAdler, const unsigned char* pData, size_t cbData) {
    return isal_adler32(ulAdler, pData, cbData);
}

uint32_t PngCrc32(uint32_t ulCrc, const unsigned char* pData, size_t cbData) {
    return crc32_gzip_refl(ulCrc, pData, cbData);
}
