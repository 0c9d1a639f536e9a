#include "wizard/WizardLook.h"

#include <utility>

#include "support/Handle.h"
#include "support/ResString.h"
#include "wizard/res/resource.h"

namespace {

const int kHeadingPoints = 15;
const int kHotlinePoints = 12;
const int kSmallestHotlinePoints = 8;

HFONT CreateArial(int pixelHeight, int weight)
{
    return CreateFontW(pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, FF_SWISS,
                       L"Arial");
}

// The resource ids of a picture's drawn sizes, smallest first.
UINT VariantId(UINT pictureId, size_t index)
{
    static const UINT kOffsets[] = {0, IDB_OFFSET_125, IDB_OFFSET_150, IDB_OFFSET_200};
    return pictureId + kOffsets[index];
}
const size_t kVariants = 4;

// The size of a bitmap resource, read from its header; none when missing.
PixelSize ResourceSize(HMODULE module, UINT id)
{
    PixelSize size;
    const void* data = nullptr;
    DWORD bytes = 0;
    if (!ResourceBytes(module, MAKEINTRESOURCEW(2) /* RT_BITMAP */, MAKEINTRESOURCEW(id), data, bytes) ||
        bytes < sizeof(BITMAPINFOHEADER))
        return size;
    const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(data);
    if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biWidth <= 0 || header->biHeight == 0)
        return size;
    size.width = header->biWidth;
    size.height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    return size;
}

// The description of an uncompressed picture with rows top down.
BITMAPINFO TopDownInfo(PixelSize size, WORD bitsPerPixel)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The pixels (0x00RRGGBB, rows top down) of bitmap resource `id`.
bool LoadPixels(HMODULE module, UINT id, PixelSize size, std::vector<uint32_t>& pixels)
{
    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap)
        return false;
    BITMAPINFO info = TopDownInfo(size, 32);
    pixels.assign(static_cast<size_t>(size.width) * static_cast<size_t>(size.height), 0);
    const WindowDc screen(nullptr);
    const int rows = GetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(size.height), pixels.data(), &info,
                               DIB_RGB_COLORS);
    for (uint32_t& p : pixels)
        p &= 0xFFFFFFu;
    return rows == size.height;
}

// A 24-bit bitmap of the pixels (a DIB section: drawn as it is at any colour
// depth of the display).
HBITMAP MakeBitmap(const std::vector<uint32_t>& pixels, PixelSize size)
{
    BITMAPINFO info = TopDownInfo(size, 24);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        return bitmap;
    const size_t stride = (static_cast<size_t>(size.width) * 3 + 3) & ~static_cast<size_t>(3);
    BYTE* row = static_cast<BYTE*>(bits);
    for (int y = 0; y < size.height; ++y, row += stride) {
        for (int x = 0; x < size.width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(size.width) + static_cast<size_t>(x)];
            row[x * 3] = static_cast<BYTE>(p);
            row[x * 3 + 1] = static_cast<BYTE>(p >> 8);
            row[x * 3 + 2] = static_cast<BYTE>(p >> 16);
        }
    }
    GdiFlush();
    return bitmap;
}

}  // namespace

int SystemDpi()
{
    const WindowDc screen(nullptr);
    const int dpi = screen.IsValid() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kDefaultDpi;
}

CWizardLook::CWizardLook(int dpi)
    : m_dpi(dpi > 0 ? dpi : kDefaultDpi)
{
}

HFONT CWizardLook::HeadingFont()
{
    if (!m_heading)
        m_heading.Reset(CreateArial(PointsToPixels(kHeadingPoints, m_dpi), FW_BOLD));
    return m_heading.Get();
}

HFONT CWizardLook::HotlineFont(HDC dc, const std::wstring& text, int available)
{
    if (m_hotline)
        return m_hotline.Get();
    // The designed size when the whole line fits before the buttons (the
    // Chinese texts do); otherwise the largest size down to the smallest
    // that does, or the smallest.
    const int largest = PointsToPixels(kHotlinePoints, m_dpi);
    const int smallest = PointsToPixels(kSmallestHotlinePoints, m_dpi);
    for (int height = largest; height >= smallest; --height) {
        UniqueFont font(CreateArial(height, FW_NORMAL));
        if (!font)
            continue;
        SIZE size = {0, 0};
        {
            const SelectedObject selected(dc, font.Get());
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        }
        if (size.cx <= available || height == smallest) {
            m_hotline = std::move(font);
            break;
        }
    }
    return m_hotline.Get();
}

HBITMAP CWizardLook::Picture(UINT pictureId, PixelSize frame, PictureAnchor anchor)
{
    for (const Fitted& fitted : m_pictures)
        if (fitted.id == pictureId && fitted.frame.width == frame.width && fitted.frame.height == frame.height &&
            fitted.anchor == anchor)
            return fitted.bitmap.Get();

    const HMODULE module = GetModuleHandleW(nullptr);
    std::vector<PixelSize> sizes;
    for (size_t i = 0; i < kVariants; ++i)
        sizes.push_back(ResourceSize(module, VariantId(pictureId, i)));
    if (sizes.front().width <= 0 || frame.width <= 0 || frame.height <= 0)
        return nullptr;
    const PictureChoice choice = ChoosePicture(sizes, frame, anchor);
    std::vector<uint32_t> pixels;
    if (!LoadPixels(module, VariantId(pictureId, choice.variant), sizes[choice.variant], pixels))
        return nullptr;
    if (choice.resample)
        pixels = ResamplePixels(pixels, sizes[choice.variant], choice.scaled);
    pixels = CropPixels(pixels, choice.scaled, choice.offsetX, choice.offsetY, frame);
    Fitted fitted = {pictureId, frame, anchor, UniqueBitmap(MakeBitmap(pixels, frame))};
    if (!fitted.bitmap)
        return nullptr;
    m_pictures.push_back(std::move(fitted));
    return m_pictures.back().bitmap.Get();
}
