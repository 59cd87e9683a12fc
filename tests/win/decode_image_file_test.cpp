// decodeImageFile on real files under the platform: the formats of GDI+, the
// imaging component and the own readers with their sizes, colours and
// colour-management flags; the anaglyph the own formats compose; and the
// WebP files libwebp decodes in the process, and the converter hand-off for
// those it refuses, run with a stand-in converter program and with the real
// one (Utilities-WebP\WebP2QDL_only1stframe.exe, built beside this program as
// beside Vellora.exe).
//
// The GDI+ and WIC pictures are written by ImageMagick at build time
// (test-images/ beside this program); the stand-in is programs/
// webp_converter_standin.exe; the JPEG XR files are JxrEncApp's, the JPEG XL
// ones cjxl's, the AVIF ones avifenc's. Wine's imaging component has no WebP,
// HEIC, AVIF or JPEG XL decoder, but like Windows it picks a decoder by the
// content, so a PNG named .webp, .heic, .avif or .jxr runs the WIC path to the
// end on both.
#include <windows.h>
// gdiplus.h needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decode/dispatch/decode_image_file_win32.h"
#include "decode/common/file_bytes.h"
#include "decode/dispatch/extension_class.h"
#include "decode/common/fit_to_screen.h"
#include "decode/platform/gdiplus_decode_win32.h"
#include "decode/libraries/decode_target_win32.h"
#include "decode/libraries/jpeg_memory_decode.h"
#include "decode/libraries/jpeg_scale.h"
#include "decode/qdl/qdl_writer.h"
#include "decode/platform/webp_converter_win32.h"
#include "header_fixtures.h"
#include "picture/display_bitmap_win32.h"
#include "picture_fixtures.h"
#include "read_file_win32.h"
#include "state/decode_results.h"
#include "state/viewer_options.h"
#include "tga_fixtures.h"

namespace {

constexpr uint32_t bandTop = 0xC82828;     // rgb(200,40,40)
constexpr uint32_t bandBottom = 0x1E3CDC;  // rgb(30,60,220)

std::wstring programDirectory()
{
    wchar_t module[MAX_PATH];
    const std::wstring path(module, GetModuleFileNameW(nullptr, module, MAX_PATH));
    return path.substr(0, path.rfind(L'\\') + 1);
}

std::wstring temporaryDirectory()
{
    wchar_t path[MAX_PATH + 1];
    return std::wstring(path, GetTempPathW(MAX_PATH + 1, path));
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// width x height, 24 bits: the upper half bandTop, the lower half bandBottom.
Picture bandsPicture(int32_t width, int32_t height)
{
    Bytes pixels;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t colour = y < height / 2 ? bandTop : bandBottom;
            pixels.insert(pixels.end(), {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)});
        }
    return makePicture(width, height, 24, pixels);
}

Bytes qdlFileOf(const Picture& picture, int type)
{
    Bytes file;
    EXPECT_EQ(writeQdlImage(picture, type, 0, file), QdlWriteResult::written);
    return file;
}

// TGA rows are read in stored order, first row on top; B,G,R pixels.
Bytes tgaFileOf(const Picture& picture)
{
    Bytes file = tgaFile(2, uint16_t(picture.width), uint16_t(picture.height), 24, {});
    const Bytes rgb = pixelsOf(picture);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        file.insert(file.end(), {rgb[i + 2], rgb[i + 1], rgb[i]});
    return file;
}

// The file contents a case names: a test image, "qdl"/"tga" (the bands at 40 x
// 30), "junk" that no decoder takes, or "cut bands.webp", its first half.
Bytes sourceBytes(const std::string& source)
{
    if (source == "cut bands.webp") {
        const Bytes webp = sourceBytes("bands.webp");
        return Bytes(webp.begin(), webp.begin() + long(webp.size() / 2));
    }
    if (source == "qdl")
        return qdlFileOf(bandsPicture(40, 30), 4);
    if (source == "tga")
        return tgaFileOf(bandsPicture(40, 30));
    if (source == "junk")
        return Bytes(64, 0x5A);
    const Bytes bytes = readFile(programDirectory() + L"test-images\\" + std::wstring(source.begin(), source.end()));
    EXPECT_FALSE(bytes.empty()) << source;
    return bytes;
}

// Owns the decoded bitmap and reads its pixels, at its own size, as 0xRRGGBB.
class Decoded {
public:
    explicit Decoded(HBITMAP handle) : handle_(handle) {}
    Decoded(const Decoded&) = delete;
    Decoded& operator=(const Decoded&) = delete;
    ~Decoded()
    {
        if (handle_)
            DeleteObject(handle_);
    }
    HBITMAP get() const { return handle_; }

    SIZE size() const
    {
        BITMAP record{};
        if (handle_)
            GetObjectW(handle_, sizeof record, &record);
        return {record.bmWidth, record.bmHeight};
    }

    // Top row first; empty without a bitmap.
    std::vector<uint32_t> rows() const
    {
        const SIZE own = size();
        std::vector<uint32_t> rows(static_cast<size_t>(own.cx) * own.cy);
        if (rows.empty())
            return rows;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = own.cx;
        info.bmiHeader.biHeight = -own.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        const int lines = GetDIBits(screen, handle_, 0, own.cy, rows.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(lines, own.cy);
        for (uint32_t& pixel : rows)
            pixel &= 0xFFFFFF;
        return rows;
    }

    uint32_t colourAt(int x, int y) const { return rows()[static_cast<size_t>(y) * size().cx + x]; }

private:
    HBITMAP handle_;
};

bool coloursNear(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance)
            return false;
    return true;
}

class DecodeImageFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(gdiplusToken); }

    void SetUp() override
    {
        root = temporaryDirectory() + L"vellora-decode-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        makeDirectory(root);
        anaglyphView = false;
        colorManagement = false;
        forceGdiplusIcm = false;
        editorCommand[0] = 0;
    }

    void TearDown() override
    {
        for (auto file = files.rbegin(); file != files.rend(); ++file) {
            SetFileAttributesW(file->c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file->c_str());
        }
        for (auto made = directories.rbegin(); made != directories.rend(); ++made)
            EXPECT_TRUE(RemoveDirectoryW(made->c_str())) << "a file was left in the test tree";
        editorCommand[0] = 0;
        SetEnvironmentVariableW(L"VELLORA_STANDIN_WRITES", nullptr);
    }

    void makeDirectory(const std::wstring& path)
    {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << GetLastError();
        directories.push_back(path);
    }

    // root + name holding bytes, replacing an earlier file of that name.
    std::wstring put(const std::wstring& name, const Bytes& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
    {
        const std::wstring path = root + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        files.push_back(path);
        return path;
    }

    static HBITMAP decode(const std::wstring& path)
    {
        return decodeImageFile(reinterpret_cast<const char16_t*>(path.c_str()));
    }

    static HBITMAP convert(const std::wstring& path)
    {
        imageWidth = imageHeight = 0;
        return decodeWithWebpConverter(reinterpret_cast<const char16_t*>(path.c_str()));
    }

    static ULONG_PTR gdiplusToken;
    std::wstring root;
    std::vector<std::wstring> directories;
    std::vector<std::wstring> files;
};

ULONG_PTR DecodeImageFileTest::gdiplusToken = 0;

TEST_F(DecodeImageFileTest, EachFormatGivesItsSizeColoursAndProfileFlag)
{
    struct Case {
        const wchar_t* name;
        std::string source;
        int32_t width, height;  // 0: nothing decoded
        bool skipProfile;
        uint32_t top, bottom;
        int tolerance;
    } cases[] = {
        {L"bands.png", "bands.png", 40, 30, true, bandTop, bandBottom, 0},
        {L"bands.jpg", "bands.jpg", 40, 30, false, bandTop, bandBottom, 8},
        {L"bands.JPEG", "bands.jpg", 40, 30, false, bandTop, bandBottom, 8},
        {L"bands.tif", "bands.tif", 40, 30, false, bandTop, bandBottom, 0},
        {L"bands.gif", "bands.gif", 40, 30, true, bandTop, bandBottom, 0},
        {L"bands.bmp", "bands.bmp", 40, 30, true, bandTop, bandBottom, 0},
        {L"bands.QDL", "qdl", 40, 30, true, bandTop, bandBottom, 0},
        {L"bands.tga", "tga", 40, 30, true, bandTop, bandBottom, 0},
        // Through the imaging component: 24 bits, and 32 bits reduced to 24
        // when opaque or premultiplied onto black when not.
        {L"png-inside.heic", "bands.png", 40, 30, true, bandTop, bandBottom, 0},
        {L"png-inside.webp", "bands.png", 40, 30, true, bandTop, bandBottom, 0},
        {L"png-inside.jxl", "bands.png", 40, 30, true, bandTop, bandBottom, 0},
        // Wine's imaging component has no WebP decoder: libwebp's pictures.
        {L"bands.webp", "bands.webp", 40, 30, true, bandTop, bandBottom, 0},
        {L"half-red.webp", "alpha.webp", 4, 2, true, 0x800000, 0x800000, 1},
        {L"half-red.jxr", "alpha.png", 4, 2, true, 0x800000, 0x800000, 1},
        // Windows with the AV1 extension: the imaging component first.
        {L"png-inside.avif", "bands.png", 40, 30, true, bandTop, bandBottom, 0},
        // Wine's imaging component has no JPEG XL decoder: libjxl's pictures.
        {L"bands.jxl", "bands.jxl", 40, 30, true, bandTop, bandBottom, 0},
        {L"half-red.jxl", "alpha.jxl", 4, 2, true, 0x800000, 0x800000, 1},
        {L"broken.png", "junk", 0, 0, true, 0, 0, 0},
        {L"broken.jpeg", "junk", 0, 0, false, 0, 0, 0},
        {L"broken.qdl", "junk", 0, 0, true, 0, 0, 0},
        {L"broken.tga", "junk", 0, 0, true, 0, 0, 0},
        {L"broken.heic", "junk", 0, 0, true, 0, 0, 0},
        {L"broken.jxr", "junk", 0, 0, true, 0, 0, 0},
        {L"broken.avif", "junk", 0, 0, true, 0, 0, 0},
        {L"broken.NEF", "junk", 0, 0, true, 0, 0, 0},
        {L"broken.jxl", "junk", 0, 0, true, 0, 0, 0},
    };
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // GDI+ is asked for its colour management, or not, by the flags.
    for (const bool managed : {false, true}) {
        colorManagement = managed;
        forceGdiplusIcm = managed;
        for (const Case& c : cases) {
            const std::wstring path = put(c.name, sourceBytes(c.source));
            const std::string label = std::string(path.begin(), path.end()) + (managed ? " managed" : "");
            scaledWidth = scaledHeight = -5;
            skipEmbeddedProfile = !c.skipProfile;
            const Decoded bitmap(decode(path));
            EXPECT_EQ(skipEmbeddedProfile, c.skipProfile) << label;
            EXPECT_EQ(imageWidth, c.width) << label;
            EXPECT_EQ(imageHeight, c.height) << label;
            if (c.width == 0) {
                EXPECT_EQ(bitmap.get(), nullptr) << label;
                EXPECT_EQ(scaledWidth, -5) << label;  // the fitted size is left alone
                continue;
            }
            ASSERT_NE(bitmap.get(), nullptr) << label;
            const FittedSize fitted = fittedSize(c.width, c.height, screenWidth, screenHeight);
            EXPECT_EQ(scaledWidth, fitted.width) << label;
            EXPECT_EQ(scaledHeight, fitted.height) << label;
            const uint32_t top = bitmap.colourAt(c.width / 2, c.height / 4);
            const uint32_t bottom = bitmap.colourAt(c.width / 2, c.height * 3 / 4);
            EXPECT_TRUE(coloursNear(top, c.top, c.tolerance)) << label << std::hex << " top " << top;
            EXPECT_TRUE(coloursNear(bottom, c.bottom, c.tolerance)) << label << std::hex << " bottom " << bottom;
        }
    }
}

// JPEG XR files of Debian's JxrEncApp through the imaging component, as
// Wine's decodes them with Debian's libjxr0, and AVIF files of Debian's
// avifenc through the dispatch (Wine's imaging component has no AVIF
// decoder: libheif with dav1d): the pixels of the formats' own tools
// (JxrDecApp, avifdec) of the same file, premultiplied onto black as the
// screen shows them. Where Wine's JPEG XR decoder falls short of Windows'
// (which shows every whole file as JxrDecApp does), the rows say so: it
// reads the alpha plane as 0, so that picture comes out black, and it takes
// no floating-point samples. A file cut short or with its coded data
// overwritten gives no picture.
TEST_F(DecodeImageFileTest, JpegXrAndAvifAsTheirToolsDecodeThem)
{
    constexpr int32_t width = 37, height = 23;
    enum Damage { whole, cutHalf, cutTail, overwritten };
    enum Shown { asTool, black, nothing };
    const struct {
        const char* file;
        Damage damage;
        Shown shown;
        int tolerance;  // per channel against the tool
    } cases[] = {
        {"ramp-opaque.jxr", whole, asTool, 0},
        {"ramp-alpha.jxr", whole, black, 0},
        {"ramp-deep.jxr", whole, asTool, 1},
        {"ramp-half.jxr", whole, nothing, 0},
        {"ramp-float.jxr", whole, nothing, 0},
        {"ramp-opaque.jxr", cutHalf, nothing, 0},
        {"ramp-opaque.jxr", overwritten, nothing, 0},
        // libheif's colour conversion against avifdec's (libyuv): 2; where
        // alpha is partly transparent the two convert the colour planes of
        // a 4:4:4 file apart by up to 4 more.
        {"ramp-8bit.avif", whole, asTool, 2},
        {"ramp-10bit.avif", whole, asTool, 2},
        {"ramp-8bit-alpha.avif", whole, asTool, 6},
        // The last bytes of the AV1 data go; the header stays whole.
        {"ramp-8bit.avif", cutTail, nothing, 0},
    };
    for (const auto& c : cases) {
        const std::string name(c.file);
        const std::string extension = name.substr(name.rfind('.'));
        Bytes file = sourceBytes(name);
        if (c.damage == cutHalf)
            file.resize(file.size() / 2);
        else if (c.damage == cutTail)
            file.resize(file.size() - 30);
        else if (c.damage == overwritten)
            std::fill(file.begin() + long(file.size() / 3), file.end(), 0xFF);
        const std::wstring path = put(L"picture" + std::wstring(extension.begin(), extension.end()), file);
        const std::string label = name + " damage " + std::to_string(int(c.damage));
        const Decoded bitmap(decode(path));
        if (c.shown == nothing) {
            EXPECT_EQ(bitmap.get(), nullptr) << label;
            continue;
        }
        EXPECT_EQ(imageWidth, width) << label;
        EXPECT_EQ(imageHeight, height) << label;
        ASSERT_NE(bitmap.get(), nullptr) << label;
        if (c.shown == black) {
            const std::vector<uint32_t> shown = bitmap.rows();
            EXPECT_EQ(std::count(shown.begin(), shown.end(), 0u), long(width) * height) << label;
            continue;
        }
        const Bytes reference = sourceBytes(name.substr(0, name.size() - extension.size()) + ".rgba");
        ASSERT_EQ(reference.size(), size_t(width) * height * 4) << label;
        const std::vector<uint32_t> shown = bitmap.rows();
        ASSERT_EQ(shown.size(), size_t(width) * height) << label;
        int mismatches = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            const uint8_t* rgba = &reference[i * 4];
            uint32_t expected = 0;
            for (int channel = 0; channel < 3; ++channel)
                expected = expected << 8 | uint32_t((rgba[channel] * rgba[3] + 127) / 255);
            if (!coloursNear(shown[i], expected, c.tolerance) && mismatches++ < 3)
                ADD_FAILURE() << label << " pixel " << i << std::hex << " shows " << shown[i] << " not " << expected;
        }
    }
}

// JPEG names go to libjpeg-turbo first, decoded at the scale this screen
// needs with the full size published; a stream cut short shows what was
// decoded. What libjpeg-turbo does not take, and the retry with GDI+'s colour
// management, come out exactly as GDI+ alone makes them.
TEST_F(DecodeImageFileTest, JpegThroughLibjpegTurboOrExactlyAsGdiplus)
{
    const Bytes big = sourceBytes("bands-big.jpg");
    const Bytes small = sourceBytes("bands.jpg");
    const struct {
        const char* what;
        const wchar_t* name;
        Bytes file;
        bool retryWithIcm;
        bool reduced;
        bool whole;  // both bands decoded
    } cases[] = {
        {"baseline", L"big.jpg", big, false, true, true},
        {"progressive", L"big.JFIF", sourceBytes("bands-big-progressive.jpg"), false, true, true},
        {"cut after 60% of its bytes", L"cut.jpe", Bytes(big.begin(), big.begin() + long(big.size() * 3 / 5)), false,
         true, false},
        {"the one-shot retry with ICM", L"big.jpeg", big, true, false, true},
        {"CMYK", L"cmyk.jpg", sourceBytes("bands-cmyk.jpg"), false, false, true},
        {"12-bit samples", L"deep.jpg", withFrameHeader(small, 1, {0xC1, 0, 17, 12}), false, false, true},
        {"no width", L"empty.jpg", withFrameHeader(small, 7, {0, 0}), false, false, true},
        {"no JPEG at all", L"junk.jpg", sourceBytes("junk"), false, false, true},
    };
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const FittedSize fitted = fittedSize(5120, 2880, screenWidth, screenHeight);
    for (const auto& c : cases) {
        JpegHeader header;
        decodeJpeg(c.file.data(), c.file.size(), header, nullptr);
        const int eighths = chooseJpegScale(5120, 2880, header.kind, screenWidth, screenHeight, nullptr);
        ASSERT_TRUE(!c.reduced || eighths < jpegFullScaleEighths) << c.what;
        colorManagement = forceGdiplusIcm = c.retryWithIcm;
        const std::wstring path = put(c.name, c.file);
        const Decoded bitmap(decode(path));
        if (c.reduced) {
            EXPECT_EQ(imageWidth, 5120) << c.what;
            EXPECT_EQ(imageHeight, 2880) << c.what;
            EXPECT_EQ(scaledWidth, fitted.width) << c.what;
            EXPECT_EQ(scaledHeight, fitted.height) << c.what;
            const SIZE own = bitmap.size();
            EXPECT_EQ(own.cx, jpegScaledSide(5120, eighths)) << c.what;
            ASSERT_EQ(own.cy, jpegScaledSide(2880, eighths)) << c.what;
            const uint32_t top = bitmap.colourAt(own.cx / 2, own.cy / 4);
            EXPECT_TRUE(coloursNear(top, bandTop, 8)) << c.what << std::hex << " top " << top;
            const uint32_t bottom = bitmap.colourAt(own.cx / 2, own.cy * 3 / 4);
            EXPECT_TRUE(!c.whole || coloursNear(bottom, bandBottom, 8)) << c.what << std::hex << " bottom " << bottom;
            continue;
        }
        const int32_t width = imageWidth, height = imageHeight;
        const std::vector<uint32_t> shown = bitmap.rows();
        imageWidth = imageHeight = 0;
        const Decoded gdiplus(decodeWithGdiplus(reinterpret_cast<const char16_t*>(path.c_str()),
                                                gdiplusAppliesIcm(ExtensionClass::embeddedProfile, colorManagement,
                                                                  forceGdiplusIcm)));
        EXPECT_EQ(width, imageWidth) << c.what;
        EXPECT_EQ(height, imageHeight) << c.what;
        EXPECT_EQ(bitmap.size().cx, gdiplus.size().cx) << c.what;
        EXPECT_TRUE(shown == gdiplus.rows()) << c.what;
    }
}

// Only the bitmap the decode targets came from last is decoded into again,
// and only for the very size, up to the largest spare kept; what is decoded
// into it replaces every pixel.
TEST_F(DecodeImageFileTest, SpareDecodeTargetTakenOnlyWhereItFits)
{
    const int32_t capWidth = 8192, capHeight = int32_t(maxSpareTargetBytes / 4 / 8192);
    const struct {
        const char* what;
        int32_t width, height;  // the spare's
        int32_t wantedWidth, wantedHeight;
        bool madeHere;
        bool taken;
    } cases[] = {
        {"the same size", 64, 32, 64, 32, true, true},
        {"turned a quarter", 64, 32, 32, 64, true, false},
        {"one row more wanted", 64, 32, 64, 33, true, false},
        {"a bitmap made elsewhere", 64, 32, 64, 32, false, false},
        {"exactly the largest kept", capWidth, capHeight, capWidth, capHeight, true, true},
        {"one row past it", capWidth, capHeight + 1, capWidth, capHeight + 1, true, false},
    };
    JpegRows rows{};
    for (const auto& c : cases) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), c.width, -c.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP spare = c.madeHere ? createDecodeTarget(c.width, c.height, rows)
                                   : CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(spare, nullptr) << c.what;
        recycleDecodeTarget(spare);
        const Decoded target(createDecodeTarget(c.wantedWidth, c.wantedHeight, rows));
        ASSERT_NE(target.get(), nullptr) << c.what;
        EXPECT_EQ(target.get() == spare, c.taken) << c.what;
        EXPECT_EQ(target.size().cx, c.wantedWidth) << c.what;
        EXPECT_EQ(target.size().cy, c.wantedHeight) << c.what;
        EXPECT_EQ(rows.stride, -4 * c.wantedWidth) << c.what;
    }

    recycleDecodeTarget(createDecodeTarget(40, 30, rows));
    releaseSpareDecodeTarget();
    HBITMAP spare = createDecodeTarget(40, 30, rows);
    for (int32_t y = 0; y < 30; ++y)
        std::fill_n(reinterpret_cast<uint32_t*>(rows.firstRow + y * rows.stride), 40, 0x00FF00u);
    recycleDecodeTarget(spare);
    const Decoded bitmap(decode(put(L"bands.jpg", sourceBytes("bands.jpg"))));
    ASSERT_EQ(bitmap.get(), spare);
    const std::vector<uint32_t> shown = bitmap.rows();
    for (size_t i = 0; i < shown.size(); ++i)
        ASSERT_TRUE(coloursNear(shown[i], i < shown.size() / 2 ? bandTop : bandBottom, 8)) << i << std::hex << " "
                                                                                           << shown[i];
}

// Camera RAW files show their embedded JPEG preview exactly as Debian's
// tools make it (simple_dcraw -e takes it out, djpeg decodes it at the DCT
// scale this screen needs), upright, with its upright full size published;
// the same file under every RAW name takes that road. A file cut short, or
// junk under a RAW name, gives no picture and no size.
TEST_F(DecodeImageFileTest, CameraRawShowsItsPreviewAsDebiansToolsDecodeIt)
{
    const Bytes large = sourceBytes("raw-large.dng");
    const Bytes preview = sourceBytes("raw-large.preview.jpg");
    JpegHeader header;
    decodeJpeg(preview.data(), preview.size(), header, nullptr);
    const int largeEighths = chooseJpegScale(1600, 1000, header.kind, GetSystemMetrics(SM_CXSCREEN),
                                             GetSystemMetrics(SM_CYSCREEN), nullptr);
    const struct {
        const char* what;
        const wchar_t* name;
        Bytes file;
        int32_t width, height;  // upright full size; 0: no picture
        int eighths;
        std::string reference;
    } cases[] = {
        {"larger than the screen", L"large.dng", large, 1600, 1000, largeEighths,
         "raw-large." + std::to_string(largeEighths) + ".rgb"},
        {"a maker's name", L"large.Cr3", large, 1600, 1000, largeEighths,
         "raw-large." + std::to_string(largeEighths) + ".rgb"},
        {"turned a quarter clockwise", L"turned.dng", sourceBytes("raw-turned.dng"), 37, 61, 8, "raw-turned.8.rgb"},
        {"cut in half", L"cut.dng", Bytes(large.begin(), large.begin() + long(large.size() / 2)), 0, 0, 0, ""},
        {"junk", L"junk.arw", sourceBytes("junk"), 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        scaledWidth = scaledHeight = -5;
        const Decoded bitmap(decode(put(c.name, c.file)));
        EXPECT_EQ(imageWidth, c.width) << c.what;
        EXPECT_EQ(imageHeight, c.height) << c.what;
        if (c.width == 0) {
            EXPECT_EQ(bitmap.get(), nullptr) << c.what;
            EXPECT_EQ(scaledWidth, -5) << c.what;
            continue;
        }
        const SIZE own = bitmap.size();
        EXPECT_EQ(own.cx, jpegScaledSide(c.width, c.eighths)) << c.what;
        ASSERT_EQ(own.cy, jpegScaledSide(c.height, c.eighths)) << c.what;
        const Bytes reference = sourceBytes(c.reference);
        ASSERT_EQ(reference.size(), size_t(own.cx) * size_t(own.cy) * 3) << c.what;
        const std::vector<uint32_t> shown = bitmap.rows();
        int mismatches = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            const uint32_t expected = uint32_t(reference[i * 3]) << 16 | uint32_t(reference[i * 3 + 1]) << 8 |
                                      reference[i * 3 + 2];
            if (shown[i] != expected && mismatches++ < 3)
                ADD_FAILURE() << c.what << " pixel " << i << std::hex << " shows " << shown[i] << " not " << expected;
        }
    }
}

// The stream up to its first scan, then count interleaved DC refinement
// scans of two data bytes each (16 bytes a scan), then the end of the image.
// libjpeg takes every one as another pass over all blocks.
Bytes withTinyScans(const Bytes& progressive, int count)
{
    auto markerAt = [&](uint8_t marker) {
        for (size_t i = 0; i + 1 < progressive.size(); ++i)
            if (progressive[i] == 0xFF && progressive[i + 1] == marker)
                return i;
        return progressive.size();
    };
    const size_t frame = markerAt(0xC2), firstScan = markerAt(0xDA);
    if (firstScan == progressive.size() || frame + 17 > firstScan || progressive[frame + 9] != 3)
        return Bytes();
    Bytes file(progressive.begin(), progressive.begin() + long(firstScan));
    const uint8_t* ids = &progressive[frame + 10];  // each component's identifier, then two more bytes
    const Bytes scan = {0xFF, 0xDA, 0, 12, 3, ids[0], 0, ids[3], 0, ids[6], 0,
                        0, 0, 0x10,  // Ss, Se, Ah = 1, Al = 0
                        0, 0};
    for (int i = 0; i < count; ++i)
        file.insert(file.end(), scan.begin(), scan.end());
    file.insert(file.end(), {0xFF, 0xD9});
    return file;
}

// Files made to cost a decoder without limits minutes or gigabytes (GDI+
// claims whatever a header asks for, and goes by the content, not the
// name): each ends without a bitmap, with the size its header declares
// published for the F2 lines and the fitted size computed from it. The scan
// bomb ends in libjpeg-turbo; were it handed on, GDI+ would take minutes.
TEST_F(DecodeImageFileTest, HostileFilesAreNotDecodedAndShowTheirDeclaredSize)
{
    Bytes bmp = bmpFile(30000, 30000, 8, biRle8, 1024 + 2);
    ASSERT_EQ(bmp.size(), 1080u);
    bmp[10] = 0x36, bmp[11] = 0x04;  // the bits behind a 256-entry table, at 1078
    bmp.back() = 1;                  // end of bitmap
    const Bytes photo = sourceBytes("photo.jpg");
    const Bytes side16384 = {0x40, 0x00, 0x40, 0x00};
    // An uncompressed 8-bit strip, as a TIFF writer would lay it out.
    const Bytes slong = tiffFile(true,
                                 {{256, 9, 1, 30000}, {257, 9, 1, 30000}, {258, 3, 1, 8}, {259, 3, 1, 1},
                                  {262, 3, 1, 1}, {273, 4, 1, 122}, {277, 3, 1, 1}, {278, 9, 1, 30000},
                                  {279, 4, 1, 15000}},
                                 15000);
    const struct {
        const char* what;
        const wchar_t* name;
        Bytes file;
        bool retryWithIcm;
        int32_t width, height;
    } cases[] = {
        {"1,080-byte RLE8 BMP", L"rle8.bmp", bmp, false, 30000, 30000},
        {"the same under a JPEG name", L"rle8.jpg", bmp, false, 30000, 30000},
        {"100,001 tiny scans", L"scans.jpg", withTinyScans(sourceBytes("photo-progressive.jpg"), 100001), false, 1600,
         1200},
        {"SOF claiming 16384 x 16384 over 1600 x 1200", L"lying.jpg", withFrameHeader(photo, 5, side16384), false,
         16384, 16384},
        {"the same on GDI+'s colour-managed retry", L"lying.jpeg", withFrameHeader(photo, 5, side16384), true, 16384,
         16384},
        {"CMYK whose SOF claims 16384 x 16384", L"cmyk.jpg", withFrameHeader(sourceBytes("bands-cmyk.jpg"), 5, side16384),
         false, 16384, 16384},
        {"15 KB TIFF of SLONG 30000 x 30000", L"slong.tif", slong, false, 30000, 30000},
        {"icon of a 30000 x 30000 PNG frame named .png", L"icon.png", icoFile({pngFile(30000, 30000)}), false, 30000,
         30000},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.file.empty()) << c.what;
        colorManagement = forceGdiplusIcm = c.retryWithIcm;
        scaledWidth = scaledHeight = -5;
        const ULONGLONG started = GetTickCount64();
        const Decoded bitmap(decode(put(c.name, c.file)));
        const ULONGLONG milliseconds = GetTickCount64() - started;
        std::printf("%s: %llu ms\n", c.what, milliseconds);
        EXPECT_EQ(bitmap.get(), nullptr) << c.what;
        EXPECT_EQ(imageWidth, c.width) << c.what;
        EXPECT_EQ(imageHeight, c.height) << c.what;
        const FittedSize fitted = fittedSize(c.width, c.height, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        EXPECT_EQ(scaledWidth, fitted.width) << c.what;
        EXPECT_EQ(scaledHeight, fitted.height) << c.what;
        // A bound far above a refusal (milliseconds) and far below what
        // GDI+ spends on any of these (seconds to minutes).
        EXPECT_LT(milliseconds, 3000u) << c.what;
    }
}

// The own formats are composed here and report the composed width; the
// platform formats are left to the screen preparation.
TEST_F(DecodeImageFileTest, OwnFormatsComposeTheirAnaglyph)
{
    anaglyphView = true;
    const Bytes oneBitRows(5 * 8, 0xF0);  // 40 x 8 at 1 bit, no palette
    const struct {
        const wchar_t* name;
        Bytes file;
        int32_t width, height;
    } cases[] = {
        {L"pair.stereo.qdl", qdlFileOf(bandsPicture(40, 30), 4), 20, 30},
        {L"pair.Stereo-X.QDL", qdlFileOf(makePicture(40, 8, 1, oneBitRows), 1), 20, 8},
        // Odd width: a single view pushed apart by round(41 / 50) = 1 each way.
        {L"odd.stereo.qdl", qdlFileOf(bandsPicture(41, 30), 4), 39, 30},
        {L"pair.stereo.tga", tgaFileOf(bandsPicture(40, 30)), 20, 30},
        {L"single.tga", tgaFileOf(bandsPicture(100, 30)), 96, 30},
        {L"pair.stereo.png", sourceBytes("bands.png"), 40, 30},
    };
    for (const auto& c : cases) {
        const std::wstring path = put(c.name, c.file);
        const Decoded bitmap(decode(path));
        EXPECT_NE(bitmap.get(), nullptr) << std::string(path.begin(), path.end());
        EXPECT_EQ(imageWidth, c.width) << std::string(path.begin(), path.end());
        EXPECT_EQ(imageHeight, c.height) << std::string(path.begin(), path.end());
    }
}

// The converter stand-in sits beside an editor in a folder with a space in
// its name; the WebP source is read-only, so the copy is too.
TEST_F(DecodeImageFileTest, WebpConverterHandOff)
{
    const std::wstring editorFolder = root + L"Quadrel Suite\\";
    const std::wstring converterFolder = editorFolder + L"Utilities-WebP\\";
    makeDirectory(editorFolder);
    makeDirectory(converterFolder);
    const std::wstring converter = converterFolder + L"WebP2QDL_only1stframe.exe";
    ASSERT_TRUE(CopyFileW((programDirectory() + L"programs\\webp_converter_standin.exe").c_str(), converter.c_str(),
                          FALSE));
    files.push_back(converter);
    const std::wstring record = converterFolder + L"command-line.txt";
    files.push_back(record);
    makeDirectory(root + L"No Converter\\");

    const std::wstring temp = temporaryDirectory();
    const std::wstring stem = temp + L"Quadrel(webp2qdl)-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring copy = stem + L".webp", output = stem + L".qdl";
    const std::wstring expectedCommandLine = L" " + copy + L" " + output;

    enum Editor { noEditor, withConverter, withoutConverter };
    const struct {
        const char* what;
        const wchar_t* name;
        std::string source;
        Editor editor;
        bool converterWrites;
        bool started;
        int32_t width, height;  // 0: no bitmap
    } cases[] = {
        {"WIC cannot decode it", L"clip.webp", "junk", withConverter, true, true, 3, 2},
        {"the converter writes nothing", L"clip.WEBP", "junk", withConverter, false, true, 0, 0},
        {"no converter beside the editor", L"clip.webp", "junk", withoutConverter, true, false, 0, 0},
        {"no editor", L"clip.webp", "junk", noEditor, true, false, 0, 0},
        {"WIC decodes it", L"inside.webp", "bands.png", withConverter, true, false, 40, 30},
        {"libwebp decodes it", L"bands.webp", "bands.webp", withConverter, true, false, 40, 30},
        {"libwebp refuses it", L"cut.webp", "cut bands.webp", withConverter, true, true, 3, 2},
        {"JPEG XR never goes to the converter", L"clip.jxr", "junk", withConverter, true, false, 0, 0},
    };
    for (const auto& c : cases) {
        const std::wstring editor = c.editor == withConverter      ? editorFolder + L"Quadrel.exe"
                                    : c.editor == withoutConverter ? root + L"No Converter\\Quadrel.exe"
                                                                   : L"";
        ASSERT_TRUE(copyPath(editorCommand, reinterpret_cast<const char16_t*>(editor.c_str())));
        SetEnvironmentVariableW(L"VELLORA_STANDIN_WRITES", c.converterWrites ? nullptr : L"0");
        DeleteFileW(record.c_str());
        const Bytes source = sourceBytes(c.source);
        const std::wstring path = put(c.name, source, FILE_ATTRIBUTE_READONLY);

        const Decoded bitmap(decode(path));
        EXPECT_EQ(exists(record), c.started) << c.what;
        if (c.started) {
            const Bytes recorded = readFile(record);
            EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(recorded.data()), recorded.size() / 2),
                      expectedCommandLine) << c.what;
        }
        EXPECT_FALSE(exists(copy)) << c.what;
        EXPECT_FALSE(exists(output)) << c.what;
        EXPECT_EQ(readFile(path), source) << c.what;  // the source itself is never touched
        EXPECT_EQ(imageWidth, c.width) << c.what;
        EXPECT_EQ(imageHeight, c.height) << c.what;
        EXPECT_EQ(bitmap.get() != nullptr, c.width != 0) << c.what;
        if (bitmap.get() && c.started) {
            EXPECT_EQ(bitmap.colourAt(0, 0), 0xFA0A0Au) << c.what;  // red and magenta, as the stand-in wrote them
            EXPECT_EQ(bitmap.colourAt(2, 1), 0xFA0AFAu) << c.what;
        }
    }

    // A run that ended abnormally left a read-only copy and an old output
    // behind: the copy is still made, and the old picture is not shown for a
    // file the converter fails on.
    for (const std::wstring& leftover : {copy, output}) {
        HANDLE file = CreateFileW(leftover.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY,
                                  nullptr);
        const Bytes old = sourceBytes("qdl");
        DWORD written = 0;
        WriteFile(file, old.data(), static_cast<DWORD>(old.size()), &written, nullptr);
        CloseHandle(file);
    }
    ASSERT_TRUE(copyPath(editorCommand, reinterpret_cast<const char16_t*>((editorFolder + L"Quadrel.exe").c_str())));
    SetEnvironmentVariableW(L"VELLORA_STANDIN_WRITES", L"0");
    DeleteFileW(record.c_str());
    const Decoded bitmap(decode(put(L"late.webp", sourceBytes("junk"))));
    EXPECT_TRUE(exists(record));
    EXPECT_EQ(bitmap.get(), nullptr);
    EXPECT_EQ(imageWidth, 0);
    EXPECT_FALSE(exists(copy));
    EXPECT_FALSE(exists(output));
    SetEnvironmentVariableW(L"VELLORA_STANDIN_WRITES", nullptr);
}

// The real converter, beside this program (as beside Vellora.exe) and beside
// an editor, started directly: every WebP file it converts, libwebp decodes
// in the viewer before.
TEST_F(DecodeImageFileTest, RealWebpConverter)
{
    const std::wstring shipped = programDirectory() + L"Utilities-WebP\\WebP2QDL_only1stframe.exe";
    ASSERT_TRUE(exists(shipped));
    const std::wstring editorFolder = root + L"Quadrel Suite\\";
    makeDirectory(editorFolder);
    makeDirectory(editorFolder + L"Utilities-WebP\\");
    const std::wstring editorConverter = editorFolder + L"Utilities-WebP\\WebP2QDL_only1stframe.exe";
    ASSERT_TRUE(CopyFileW(shipped.c_str(), editorConverter.c_str(), FALSE));
    files.push_back(editorConverter);
    makeDirectory(root + L"No Converter\\");

    const Bytes webp = sourceBytes("bands.webp");
    ASSERT_GT(webp.size(), 30u);
    const struct {
        const char* what;
        std::wstring editor;
        Bytes file;
        bool decoded;
    } cases[] = {
        {"beside the viewer, no editor", L"", webp, true},
        {"beside the viewer, editor without a folder", L"Quadrel.exe", webp, true},
        {"beside the viewer, no converter beside the editor", root + L"No Converter\\Quadrel.exe", webp, true},
        {"beside the editor", editorFolder + L"Quadrel.exe", webp, true},
        {"truncated", L"", Bytes(webp.begin(), webp.begin() + long(webp.size() / 2)), false},
        {"no WebP at all", L"", Bytes(64, 0x5A), false},
    };
    const std::wstring temp = temporaryDirectory();
    for (const auto& c : cases) {
        ASSERT_TRUE(copyPath(editorCommand, reinterpret_cast<const char16_t*>(c.editor.c_str())));
        const std::wstring path = put(L"bands.webp", c.file);
        const Decoded bitmap(convert(path));
        EXPECT_EQ(bitmap.get() != nullptr, c.decoded) << c.what;
        EXPECT_EQ(imageWidth, c.decoded ? 40 : 0) << c.what;
        EXPECT_EQ(imageHeight, c.decoded ? 30 : 0) << c.what;
        if (bitmap.get()) {
            EXPECT_EQ(bitmap.colourAt(20, 7), bandTop) << c.what;
            EXPECT_EQ(bitmap.colourAt(20, 22), bandBottom) << c.what;
        }
        // Neither temporary file nor a converter's half-written output.
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((temp + L"Quadrel(webp2qdl)*").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE) << c.what << ": left " << std::string(found.cFileName, found.cFileName + wcslen(found.cFileName));
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
    }

    // A temporary folder with spaces: the converter gets the two paths
    // unquoted and must still tell them apart.
    const std::wstring spacedTemp = root + L"Temp Of Jo Ann\\";
    makeDirectory(spacedTemp);
    wchar_t previous[MAX_PATH];
    const DWORD previousLength = GetEnvironmentVariableW(L"TMP", previous, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", spacedTemp.c_str());
    editorCommand[0] = 0;
    const Decoded bitmap(convert(put(L"bands.webp", webp)));
    SetEnvironmentVariableW(L"TMP", previousLength > 0 && previousLength < MAX_PATH ? previous : nullptr);
    EXPECT_NE(bitmap.get(), nullptr);
    EXPECT_EQ(imageWidth, 40);
}

}  // namespace
