#include "wizard/PageLayout.h"

TextBox PlaceBesideLabel(const TextBox& label, int labelTextWidth, int labelTextHeight, const TextBox& name,
                         int nameTextWidth, int gap, int rightLimit)
{
    const int labelTextRight = label.left + labelTextWidth;
    const int labelTextBottom = label.top + labelTextHeight;
    const bool sameLines = name.top < labelTextBottom && name.bottom > label.top;
    if (!sameLines || name.left >= labelTextRight + gap)
        return name;
    TextBox placed = name;
    const int height = name.bottom - name.top;
    if (labelTextRight + gap + nameTextWidth <= rightLimit) {
        placed.left = labelTextRight + gap;
        placed.right = rightLimit;
    } else {
        placed.left = label.left;
        placed.right = rightLimit;
        placed.top = labelTextBottom;
        placed.bottom = labelTextBottom + height;
    }
    return placed;
}

int HotlineWidth(int left, int firstButtonLeft, int gap)
{
    const int width = firstButtonLeft - gap - left;
    return width > 0 ? width : 0;
}

int PointsToPixels(int points, int dpi)
{
    return (points * dpi + 36) / 72;
}

int ScaledPixels(int pixelsAt96, int dpi)
{
    return (pixelsAt96 * dpi + kDefaultDpi / 2) / kDefaultDpi;
}

namespace {

int Distance(int a, int b)
{
    return a > b ? a - b : b - a;
}

bool Covers(const PixelSize& size, const PixelSize& frame)
{
    return size.width >= frame.width && size.height >= frame.height;
}

long long Area(const PixelSize& size)
{
    return static_cast<long long>(size.width) * size.height;
}

}  // namespace

PictureChoice ChoosePicture(const std::vector<PixelSize>& variants, PixelSize frame, PictureAnchor anchor)
{
    PictureChoice choice;
    choice.scaled = variants.front();
    if (frame.width <= 0 || frame.height <= 0)
        return choice;

    // A drawn size that meets the frame on one side and covers the other.
    bool asItIs = false;
    for (size_t i = 0; i < variants.size() && !asItIs; ++i) {
        const PixelSize& v = variants[i];
        const bool nearlyCovers = v.width >= frame.width - kPictureSlack && v.height >= frame.height - kPictureSlack;
        const bool meets = Distance(v.width, frame.width) <= kPictureSlack ||
                           Distance(v.height, frame.height) <= kPictureSlack;
        if (v.width > 0 && v.height > 0 && nearlyCovers && meets) {
            choice.variant = i;
            choice.scaled = v;
            asItIs = true;
        }
    }
    if (!asItIs) {
        // Scaling down loses less than scaling up: the smallest drawn size
        // that covers the frame, else the largest there is.
        bool found = false;
        for (size_t i = 0; i < variants.size(); ++i) {
            const PixelSize& v = variants[i];
            if (v.width <= 0 || v.height <= 0)
                continue;
            const PixelSize& best = variants[choice.variant];
            if (!found || (Covers(v, frame) && (!Covers(best, frame) || Area(v) < Area(best))) ||
                (!Covers(v, frame) && !Covers(best, frame) && Area(v) > Area(best))) {
                choice.variant = i;
                found = true;
            }
        }
        const PixelSize& v = variants[choice.variant];
        // The larger of the two ratios makes the picture cover the frame; in
        // integers, so that the side that meets the frame meets it exactly.
        const long long across = static_cast<long long>(frame.width) * v.height;
        const long long down = static_cast<long long>(frame.height) * v.width;
        if (across >= down) {
            choice.scaled.width = frame.width;
            choice.scaled.height = static_cast<int>((static_cast<long long>(v.height) * frame.width + v.width - 1) /
                                                    v.width);
        } else {
            choice.scaled.height = frame.height;
            choice.scaled.width = static_cast<int>((static_cast<long long>(v.width) * frame.height + v.height - 1) /
                                                   v.height);
        }
        choice.resample = true;
    }
    choice.offsetX = (choice.scaled.width - frame.width) / 2;
    choice.offsetY = anchor == PictureAnchor::Top ? 0 : (choice.scaled.height - frame.height) / 2;
    return choice;
}

namespace {

// The source pixels that make up each target pixel along one axis, and
// their weights.
struct Taps {
    int first = 0;
    std::vector<double> weights;
};

std::vector<Taps> TapsFor(int from, int to)
{
    std::vector<Taps> all(static_cast<size_t>(to));
    const double step = static_cast<double>(from) / to;
    const double radius = step > 1.0 ? step : 1.0;
    for (int d = 0; d < to; ++d) {
        const double centre = (d + 0.5) * step;
        int low = static_cast<int>(centre - radius);
        int high = static_cast<int>(centre + radius) + 1;
        if (low < 0)
            low = 0;
        if (high > from)
            high = from;
        Taps& taps = all[static_cast<size_t>(d)];
        taps.first = low;
        double sum = 0;
        for (int s = low; s < high; ++s) {
            double distance = (s + 0.5 - centre) / radius;
            if (distance < 0)
                distance = -distance;
            const double weight = distance < 1.0 ? 1.0 - distance : 0.0;
            taps.weights.push_back(weight);
            sum += weight;
        }
        if (sum <= 0) {
            // Only at the very edge: the nearest pixel.
            taps.first = centre >= from ? from - 1 : static_cast<int>(centre);
            taps.weights.assign(1, 1.0);
        } else {
            for (double& w : taps.weights)
                w /= sum;
        }
    }
    return all;
}

uint32_t Pack(const double rgb[3])
{
    uint32_t packed = 0;
    for (int c = 0; c < 3; ++c) {
        double v = rgb[c] + 0.5;
        const uint32_t byte = v <= 0 ? 0u : v >= 255 ? 255u : static_cast<uint32_t>(v);
        packed |= byte << (16 - 8 * c);
    }
    return packed;
}

}  // namespace

std::vector<uint32_t> ResamplePixels(const std::vector<uint32_t>& pixels, PixelSize from, PixelSize to)
{
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0 ||
        pixels.size() < static_cast<size_t>(from.width) * static_cast<size_t>(from.height))
        return std::vector<uint32_t>(static_cast<size_t>(to.width > 0 ? to.width : 0) *
                                         static_cast<size_t>(to.height > 0 ? to.height : 0),
                                     0xFFFFFFu);
    // Across first (into three channels of doubles), then down.
    const std::vector<Taps> across = TapsFor(from.width, to.width);
    const std::vector<Taps> down = TapsFor(from.height, to.height);
    std::vector<double> rows(static_cast<size_t>(to.width) * static_cast<size_t>(from.height) * 3);
    for (int y = 0; y < from.height; ++y) {
        const uint32_t* source = &pixels[static_cast<size_t>(y) * static_cast<size_t>(from.width)];
        for (int x = 0; x < to.width; ++x) {
            const Taps& taps = across[static_cast<size_t>(x)];
            double* out = &rows[(static_cast<size_t>(y) * static_cast<size_t>(to.width) + static_cast<size_t>(x)) * 3];
            for (size_t k = 0; k < taps.weights.size(); ++k) {
                const uint32_t p = source[static_cast<size_t>(taps.first) + k];
                out[0] += taps.weights[k] * ((p >> 16) & 0xFF);
                out[1] += taps.weights[k] * ((p >> 8) & 0xFF);
                out[2] += taps.weights[k] * (p & 0xFF);
            }
        }
    }
    std::vector<uint32_t> result(static_cast<size_t>(to.width) * static_cast<size_t>(to.height));
    for (int y = 0; y < to.height; ++y) {
        const Taps& taps = down[static_cast<size_t>(y)];
        for (int x = 0; x < to.width; ++x) {
            double rgb[3] = {0, 0, 0};
            for (size_t k = 0; k < taps.weights.size(); ++k) {
                const double* in =
                    &rows[((static_cast<size_t>(taps.first) + k) * static_cast<size_t>(to.width) + static_cast<size_t>(x)) * 3];
                for (int c = 0; c < 3; ++c)
                    rgb[c] += taps.weights[k] * in[c];
            }
            result[static_cast<size_t>(y) * static_cast<size_t>(to.width) + static_cast<size_t>(x)] = Pack(rgb);
        }
    }
    return result;
}

std::vector<uint32_t> CropPixels(const std::vector<uint32_t>& pixels, PixelSize size, int offsetX, int offsetY,
                                 PixelSize part)
{
    const size_t width = static_cast<size_t>(part.width > 0 ? part.width : 0);
    const size_t height = static_cast<size_t>(part.height > 0 ? part.height : 0);
    std::vector<uint32_t> result(width * height, 0xFFFFFFu);
    if (pixels.size() < static_cast<size_t>(size.width > 0 ? size.width : 0) *
                            static_cast<size_t>(size.height > 0 ? size.height : 0))
        return result;
    for (size_t y = 0; y < height; ++y) {
        const long long sy = offsetY + static_cast<long long>(y);
        if (sy < 0 || sy >= size.height)
            continue;
        for (size_t x = 0; x < width; ++x) {
            const long long sx = offsetX + static_cast<long long>(x);
            if (sx >= 0 && sx < size.width)
                result[y * width + x] = pixels[static_cast<size_t>(sy) * static_cast<size_t>(size.width) + static_cast<size_t>(sx)];
        }
    }
    return result;
}
