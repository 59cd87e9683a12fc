// Syntax of H.265 7.3.2.2 up to the conformance window: the two-byte NAL
// header, four fixed fields, profile_tier_level, then Exp-Golomb codes. The
// payload is read as the RBSP: a 0x03 after two zero bytes is an
// emulation-prevention byte and carries no bits.
#include "decode/headers/hevc_sps_size.h"

namespace {

constexpr unsigned spsNalType = 33;

class RbspBits {
public:
    RbspBits(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool failed() const { return failed_; }

    uint32_t bits(unsigned count)
    {
        uint32_t value = 0;
        while (count-- > 0)
            value = value << 1 | bit();
        return value;
    }

    void skip(uint64_t count)
    {
        while (count-- > 0 && !failed_)
            bit();
    }

    // ue(v); codes of more than 31 leading zeros fail.
    uint32_t unsignedGolomb()
    {
        unsigned zeros = 0;
        while (!failed_ && bit() == 0)
            if (++zeros > 31)
                failed_ = true;
        if (failed_)
            return 0;
        return uint32_t((uint64_t(1) << zeros) - 1 + bits(zeros));
    }

private:
    uint32_t bit()
    {
        if (bitsLeft_ == 0 && !nextByte())
            return 0;
        --bitsLeft_;
        return (current_ >> bitsLeft_) & 1;
    }

    bool nextByte()
    {
        if (zeros_ >= 2 && at_ < size_ && data_[at_] == 3) {
            ++at_;
            zeros_ = 0;
        }
        if (at_ >= size_) {
            failed_ = true;
            return false;
        }
        current_ = data_[at_++];
        zeros_ = current_ == 0 ? zeros_ + 1 : 0;
        bitsLeft_ = 8;
        return true;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    unsigned zeros_ = 0;
    uint8_t current_ = 0;
    unsigned bitsLeft_ = 0;
    bool failed_ = false;
};

void skipProfileTierLevel(RbspBits& in, unsigned maxSubLayersMinus1)
{
    in.skip(88);  // general profile space, tier, profile, compatibility and constraint flags
    in.skip(8);   // general_level_idc
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (unsigned i = 0; i < maxSubLayersMinus1; ++i) {
        profilePresent[i] = in.bits(1) != 0;
        levelPresent[i] = in.bits(1) != 0;
    }
    if (maxSubLayersMinus1 > 0)
        in.skip(2 * (8 - uint64_t(maxSubLayersMinus1)));  // reserved_zero_2bits
    for (unsigned i = 0; i < maxSubLayersMinus1; ++i) {
        if (profilePresent[i])
            in.skip(88);
        if (levelPresent[i])
            in.skip(8);
    }
}

}  // namespace

bool isHevcSps(const uint8_t* nal, size_t size)
{
    return size >= 2 && ((nal[0] >> 1) & 0x3F) == spsNalType;
}

bool readHevcSpsSize(const uint8_t* nal, size_t size, HevcSpsSize& out)
{
    if (!isHevcSps(nal, size))
        return false;
    RbspBits in(nal + 2, size - 2);
    in.skip(4);  // sps_video_parameter_set_id
    const unsigned maxSubLayersMinus1 = in.bits(3);
    in.skip(1);  // sps_temporal_id_nesting_flag
    if (maxSubLayersMinus1 > 6)
        return false;
    skipProfileTierLevel(in, maxSubLayersMinus1);
    in.unsignedGolomb();  // sps_seq_parameter_set_id
    const uint32_t chromaFormat = in.unsignedGolomb();
    const bool separatePlanes = chromaFormat == 3 && in.bits(1) != 0;
    const uint64_t codedWidth = in.unsignedGolomb();
    const uint64_t codedHeight = in.unsignedGolomb();
    uint64_t cropX = 0, cropY = 0;
    if (in.bits(1) != 0) {
        // Offsets count chroma samples: two luma columns (and rows) each in
        // 4:2:0, two columns in 4:2:2, one otherwise.
        const unsigned unitX = !separatePlanes && (chromaFormat == 1 || chromaFormat == 2) ? 2 : 1;
        const unsigned unitY = !separatePlanes && chromaFormat == 1 ? 2 : 1;
        const uint64_t left = in.unsignedGolomb(), right = in.unsignedGolomb();
        const uint64_t top = in.unsignedGolomb(), bottom = in.unsignedGolomb();
        cropX = unitX * (left + right);
        cropY = unitY * (top + bottom);
    }
    if (in.failed() || chromaFormat > 3 || cropX > codedWidth || cropY > codedHeight)
        return false;
    out.codedWidth = uint32_t(codedWidth);
    out.codedHeight = uint32_t(codedHeight);
    out.width = uint32_t(codedWidth - cropX);
    out.height = uint32_t(codedHeight - cropY);
    return true;
}
