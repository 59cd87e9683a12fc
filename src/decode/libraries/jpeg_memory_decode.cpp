#include "decode/libraries/jpeg_memory_decode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "decode/headers/jpeg_stream_bytes.h"
#include "decode/libraries/jpeg_bands.h"
#include "picture/parallel_bands.h"
#include "picture/pixel_array_limit.h"
#include "state/quit_request.h"

namespace {

// libjpeg's whole-picture coefficient buffer (progressive and multi-scan
// files): 2 bytes per sample, 805 MB for the largest picture the program takes
// in 4:2:0. Beyond it libjpeg stops with "no backing store".
constexpr long maxCoefficientBytes = 1L << 30;

// The rows handed to libjpeg per call: enough for its largest output group.
constexpr int rowsPerRead = 16;

// libjpeg's error manager followed by the jump back into decodeJpeg and the
// verdict of the failure. Plain data: the jump crosses no destructor.
struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    JpegDecodeResult verdict;
};

JpegDecodeResult verdictOf(int messageCode)
{
    switch (messageCode) {
    case JERR_BAD_PRECISION:
    case JERR_SOF_UNSUPPORTED:
    case JERR_ARITH_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL:
        return JpegDecodeResult::notForThisPath;
    case JERR_NO_BACKING_STORE:
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
    case JERR_OUT_OF_MEMORY:
        return JpegDecodeResult::tooLarge;
    default:
        return JpegDecodeResult::corrupt;
    }
}

void leaveOnError(j_common_ptr info)
{
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    if (trap->verdict == JpegDecodeResult::decoded)
        trap->verdict = verdictOf(trap->manager.msg_code);
    std::longjmp(trap->jump, 1);
}

// Warnings (a stream cut short, stray bytes) are not shown anywhere.
void stayQuiet(j_common_ptr) {}

// libjpeg's progress monitor followed by the work the scans have claimed so
// far. libjpeg calls it before each row of input it absorbs and each group
// of rows it puts out, and once a new scan's header is read, before any of
// its data.
struct WorkMeter {
    jpeg_progress_mgr manager;
    uint64_t budget;     // blocks all scans together may visit
    uint64_t spent;      // blocks of the scans counted so far
    int countedScans;
};

void stopWith(j_common_ptr info, JpegDecodeResult verdict)
{
    reinterpret_cast<ErrorTrap*>(info->err)->verdict = verdict;
    (*info->err->error_exit)(info);
}

void meterWork(j_common_ptr info)
{
    if (quitRequested.load(std::memory_order_relaxed))
        stopWith(info, JpegDecodeResult::abandoned);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    auto* meter = reinterpret_cast<WorkMeter*>(decompress->progress);
    if (decompress->input_scan_number == meter->countedScans)
        return;
    meter->countedScans = decompress->input_scan_number;
    // Each factor is below 2^16, so the product stays below 2^37.
    meter->spent += uint64_t{decompress->MCUs_per_row} * decompress->MCU_rows_in_scan * decompress->blocks_in_MCU;
    if (meter->spent > meter->budget)
        stopWith(info, JpegDecodeResult::tooLarge);
}

// The blocks of one interleaved scan over every component: whole MCUs of the
// largest sampling factors across and down, each holding every component's
// blocks. No scan visits more.
uint64_t blocksOfOnePass(const jpeg_decompress_struct& info)
{
    const int across = info.max_h_samp_factor * DCTSIZE, down = info.max_v_samp_factor * DCTSIZE;
    uint64_t blocksPerMcu = 0;
    for (int i = 0; i < info.num_components; ++i)
        blocksPerMcu += uint64_t(info.comp_info[i].h_samp_factor) * info.comp_info[i].v_samp_factor;
    return (uint64_t{info.image_width} + across - 1) / across * ((uint64_t{info.image_height} + down - 1) / down)
           * blocksPerMcu;
}

JpegStreamKind kindOf(const jpeg_decompress_struct& info)
{
    if (info.progressive_mode)
        return JpegStreamKind::progressive;
    if (info.num_components == 1)
        return JpegStreamKind::grey;
    const jpeg_component_info& luma = info.comp_info[0];
    for (int i = 1; i < info.num_components; ++i)
        if (info.comp_info[i].h_samp_factor != 1 || info.comp_info[i].v_samp_factor != 1)
            return JpegStreamKind::fullChroma;
    if (luma.h_samp_factor == 2 && luma.v_samp_factor == 2)
        return JpegStreamKind::chroma420;
    if (luma.h_samp_factor == 2 && luma.v_samp_factor == 1)
        return JpegStreamKind::chroma422;
    return JpegStreamKind::fullChroma;
}

// The header's answer before anything large is allocated.
JpegDecodeResult judgeHeader(const jpeg_decompress_struct& info, size_t size)
{
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        break;
    default:
        return JpegDecodeResult::notForThisPath;
    }
    // This build has no arithmetic decoder; it would only fail later.
    if (info.arith_code)
        return JpegDecodeResult::notForThisPath;
    const uint64_t pixels = uint64_t{info.image_width} * info.image_height;
    if (pixels == 0 || pixels > maxPicturePixels)
        return JpegDecodeResult::tooLarge;
    uint64_t largestBlocks = 0;
    for (int i = 0; i < info.num_components; ++i) {
        const jpeg_component_info& component = info.comp_info[i];
        const uint64_t blocks = uint64_t{component.width_in_blocks} * component.height_in_blocks;
        if (blocks > largestBlocks)
            largestBlocks = blocks;
    }
    if (uint64_t{size} < minimumJpegStreamBytes(largestBlocks))
        return JpegDecodeResult::cannotBeReal;
    return JpegDecodeResult::decoded;
}

// libjpeg's skip reads the blocks without a call to the progress monitor, so
// it goes this many rows of blocks at a time, each a few milliseconds of a
// photo's reading, and the quit flag is looked at between them. Each call
// decodes a row of blocks where the skip ends, so fewer would cost more.
constexpr JDIMENSION blockRowsPerSkip = 32;

// Passes over the first count output rows: their blocks are read, not
// transformed.
void skipRows(jpeg_decompress_struct& info, JDIMENSION count)
{
#if JPEG_LIB_VERSION >= 70
    const JDIMENSION rowsPerBlockRow = JDIMENSION(info.max_v_samp_factor * info.min_DCT_v_scaled_size);
#else
    const JDIMENSION rowsPerBlockRow = JDIMENSION(info.max_v_samp_factor * info.min_DCT_scaled_size);
#endif
    const JDIMENSION step = blockRowsPerSkip * rowsPerBlockRow;
    while (info.output_scanline < count) {
        if (quitRequested.load(std::memory_order_relaxed))
            stopWith(reinterpret_cast<j_common_ptr>(&info), JpegDecodeResult::abandoned);
        const JDIMENSION left = count - info.output_scanline;
        jpeg_skip_scanlines(&info, left < step ? left : step);
    }
}

// Decodes output rows [firstRow, endRow) into rows, reading past the rows
// above without transforming them; false when the output size is not the
// one the rows were made for.
bool readRows(jpeg_decompress_struct& info, const JpegRows& rows, int32_t firstRow, int32_t endRow)
{
    info.out_color_space = JCS_EXT_BGRX;
    info.scale_num = static_cast<unsigned int>(rows.eighths);
    info.scale_denom = 8;
    jpeg_calc_output_dimensions(&info);
    if (info.output_width != static_cast<JDIMENSION>(rows.width) ||
        info.output_height != static_cast<JDIMENSION>(rows.height))
        return false;
    jpeg_start_decompress(&info);
    skipRows(info, static_cast<JDIMENSION>(firstRow));
    const auto end = static_cast<JDIMENSION>(endRow);
    while (info.output_scanline < end) {
        JSAMPROW pointers[rowsPerRead];
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = end - first < JDIMENSION{rowsPerRead} ? end - first : rowsPerRead;
        for (JDIMENSION i = 0; i < count; ++i)
            pointers[i] = rows.firstRow + static_cast<ptrdiff_t>(first + i) * rows.stride;
        if (jpeg_read_scanlines(&info, pointers, count) == 0)
            return false;
    }
    return true;
}

// One decoder over the whole stream, and the only function that calls
// libjpeg: its errors jump back here, past no C++ object, and everything
// libjpeg allocated goes with jpeg_destroy_decompress on either path. Reads
// the header into header and judges it; with rows, decodes the output rows
// [firstRow, endRow).
JpegDecodeResult runDecoder(const uint8_t* data, size_t size, JpegHeader& header, const JpegRows* rows,
                            int32_t firstRow, int32_t endRow)
{
    jpeg_decompress_struct info;
    ErrorTrap trap;
    WorkMeter meter{};
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = leaveOnError;
    trap.manager.output_message = stayQuiet;
    trap.verdict = JpegDecodeResult::decoded;
    meter.manager.progress_monitor = meterWork;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        return trap.verdict;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = maxCoefficientBytes;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    header.width = static_cast<int32_t>(info.image_width);
    header.height = static_cast<int32_t>(info.image_height);
    header.kind = kindOf(info);
    header.oneScan = !jpeg_has_multiple_scans(&info);
    JpegDecodeResult result = judgeHeader(info, size);
    if (result == JpegDecodeResult::decoded && rows) {
        // Under the pixel limit a pass has fewer than 2^31 blocks.
        meter.budget = jpegScanPassBudget * blocksOfOnePass(info);
        info.progress = &meter.manager;
        if (!readRows(info, *rows, firstRow, endRow))
            result = JpegDecodeResult::corrupt;
    }
    jpeg_destroy_decompress(&info);
    return result;
}

// The bands below the top one on threads of their own, the top one on this
// thread; the verdict of the highest band that did not decode, as one
// decoder would have met it first.
JpegDecodeResult decodeBands(const uint8_t* data, size_t size, const JpegRows& rows, const JpegBands& bands)
{
    JpegDecodeResult verdicts[maxJpegBands];
    runParallelBands(bands.count, [&](int k) {
        JpegHeader header;
        verdicts[k] = runDecoder(data, size, header, &rows, bands.firstRow[k], bands.firstRow[k + 1]);
    });
    for (int k = 0; k < bands.count; ++k)
        if (verdicts[k] != JpegDecodeResult::decoded)
            return verdicts[k];
    return JpegDecodeResult::decoded;
}

}  // namespace

JpegDecodeResult decodeJpeg(const uint8_t* data, size_t size, JpegHeader& header, const JpegRows* rows, int threads)
{
    // Another format under a JPEG name is the platform's, which decodes by
    // content.
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return JpegDecodeResult::notForThisPath;
    // jpeg_mem_src counts in unsigned long, 32 bits on Windows.
    if (size > 0xFFFFFFFFu)
        return JpegDecodeResult::tooLarge;
    const JpegDecodeResult result = runDecoder(data, size, header, nullptr, 0, 0);
    if (result != JpegDecodeResult::decoded || !rows)
        return result;
    JpegBands bands;
    bands.firstRow[1] = rows->height;
    if (header.oneScan)
        bands = splitJpegDecode(
            rows->height, jpegReadPercent(size, header.width, header.height, header.kind, rows->eighths), threads);
    return decodeBands(data, size, *rows, bands);
}
