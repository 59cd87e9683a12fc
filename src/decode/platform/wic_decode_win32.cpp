#include "decode/platform/wic_decode_win32.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <propidl.h>

#include <cstdint>
#include <utility>

#include "decode/platform/wic_pixels.h"
#include "picture/orientation_turn.h"
#include "picture/pixel_array_limit.h"
#include "state/decode_results.h"

namespace {

// The original imaging factory, present since Windows XP SP3 / Vista.
const CLSID imagingFactoryClass = {0xCACAF262, 0x9370, 0x4615, {0xA1, 0x3B, 0x9F, 0x55, 0x39, 0xDA, 0x4C, 0x0A}};
const IID imagingFactoryInterface = {0xEC5EC8A9, 0xC395, 0x4314, {0x9C, 0x77, 0x54, 0xD7, 0xA9, 0x35, 0xFF, 0x70}};

// Releases one COM interface when it goes out of scope.
template <typename Interface>
class ComReference {
public:
    ComReference() = default;
    ComReference(const ComReference&) = delete;
    ComReference& operator=(const ComReference&) = delete;
    ~ComReference()
    {
        if (pointer)
            pointer->Release();
    }
    Interface* operator->() const { return pointer; }
    Interface* get() const { return pointer; }
    Interface** out() { return &pointer; }
    void** outVoid() { return reinterpret_cast<void**>(&pointer); }

private:
    Interface* pointer = nullptr;
};

// Keeps COM initialised on this thread for one attempt. A thread already in
// another apartment can still use the component, but must not be
// uninitialised by us.
class ComApartment {
public:
    ComApartment() : initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment()
    {
        if (initialised)
            CoUninitialize();
    }

private:
    bool initialised;
};

// Members end in reverse order: every reference is released before the
// apartment ends.
struct WicAttempt {
    ComApartment apartment;
    ComReference<IWICImagingFactory> factory;
    ComReference<IWICBitmapDecoder> decoder;
    ComReference<IWICBitmapFrameDecode> frame;
    ComReference<IWICFormatConverter> converter;
};

// The HEIF container; its decoder reports the container's own turns (irot,
// imir) as the photo orientation, numbered as System.Photo.Orientation.
const GUID heifContainer = {0xE1E62521, 0x6787, 0x405B, {0xA3, 0x39, 0x50, 0x07, 0x15, 0xB5, 0x76, 0x3F}};

Orientation orientationByName(IWICMetadataQueryReader* reader, const wchar_t* name, bool& found)
{
    PROPVARIANT value;
    PropVariantInit(&value);
    found = SUCCEEDED(reader->GetMetadataByName(name, &value)) && value.vt == VT_UI2;
    const Orientation orientation = found ? orientationFromExif(value.uiVal) : Orientation::upright;
    PropVariantClear(&value);
    return orientation;
}

// How the frame's pixels are to be turned, as the frame reports it: the
// photo property first, then the EXIF tag where JPEG and TIFF-like
// containers keep it. An EXIF tag inside a HEIF file describes the picture
// before the container's turns and is never read.
Orientation frameOrientation(IWICBitmapDecoder* decoder, IWICBitmapFrameDecode* frame)
{
    ComReference<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(reader.out())))
        return Orientation::upright;
    bool found = false;
    const Orientation photo = orientationByName(reader.get(), L"System.Photo.Orientation", found);
    GUID container{};
    if (found || FAILED(decoder->GetContainerFormat(&container)) || IsEqualGUID(container, heifContainer))
        return photo;
    for (const wchar_t* name : {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}"}) {
        const Orientation tagged = orientationByName(reader.get(), name, found);
        if (found)
            return tagged;
    }
    return Orientation::upright;
}

// Copies the converted pixels into a new block; null when there are none,
// they would be too many, or the copy fails.
ByteArray copyConvertedPixels(IWICFormatConverter* converter, UINT width, UINT height, int bytesPerPixel)
{
    const uint64_t stride = uint64_t{width} * static_cast<uint64_t>(bytesPerPixel);
    const uint64_t size = stride * height;
    if (size == 0 || size > maxPixelArrayBytes)
        return nullptr;
    ByteArray block = allocateBytes(static_cast<size_t>(size));
    if (!block)
        return nullptr;
    // A failed copy would leave the block's memory as it was allocated.
    const WICRect whole = {0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    if (FAILED(converter->CopyPixels(&whole, static_cast<UINT>(stride), static_cast<UINT>(size), block.get())))
        return nullptr;
    return block;
}

}  // namespace

Picture decodeWithWic(const char16_t* path, WicTarget target)
{
    const WICPixelFormatGUID& format =
        target == WicTarget::rgb24 ? GUID_WICPixelFormat24bppRGB : GUID_WICPixelFormat32bppBGRA;
    const int bytesPerPixel = target == WicTarget::rgb24 ? 3 : 4;

    WicAttempt wic;
    if (FAILED(CoCreateInstance(imagingFactoryClass, nullptr, CLSCTX_INPROC_SERVER, imagingFactoryInterface,
                                wic.factory.outVoid())))
        return Picture();
    if (FAILED(wic.factory->CreateDecoderFromFilename(reinterpret_cast<LPCWSTR>(path), nullptr, GENERIC_READ,
                                                      WICDecodeMetadataCacheOnDemand, wic.decoder.out())))
        return Picture();
    UINT frameCount = 0;
    if (FAILED(wic.decoder->GetFrameCount(&frameCount)) || FAILED(wic.decoder->GetFrame(0, wic.frame.out())))
        return Picture();

    UINT width = 0, height = 0;
    if (FAILED(wic.frame->GetSize(&width, &height)))
        return Picture();
    // The Picture and the shared sizes are signed 32-bit.
    if (width > INT32_MAX || height > INT32_MAX)
        return Picture();
    imageWidth = static_cast<int32_t>(width);
    imageHeight = static_cast<int32_t>(height);
    imageOrientation = static_cast<uint8_t>(frameOrientation(wic.decoder.get(), wic.frame.get()));

    WICPixelFormatGUID sourceFormat;
    if (FAILED(wic.frame->GetPixelFormat(&sourceFormat)))
        return Picture();
    if (FAILED(wic.factory->CreateFormatConverter(wic.converter.out())) ||
        FAILED(wic.converter->Initialize(wic.frame.get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom)))
        return Picture();

    ByteArray block = copyConvertedPixels(wic.converter.get(), width, height, bytesPerPixel);
    return pictureFromWicPixels(std::move(block), static_cast<int32_t>(width), static_cast<int32_t>(height),
                                bytesPerPixel);
}
