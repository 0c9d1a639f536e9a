// Where texts go on the pages when their length depends on the language:
// pure arithmetic on rectangles in pixels, tested natively.
#ifndef QV_WIZARD_PAGELAYOUT_H
#define QV_WIZARD_PAGELAYOUT_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct TextBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The selected model's name on the model page. Its template place may lie
// under the label's text when the label is long (English): it then starts
// `gap` after the label's text on the same line when the name fits before
// `rightLimit`, and otherwise on the line below the label's text. A place
// that is already clear of the label's text stays as it is.
TextBox PlaceBesideLabel(const TextBox& label, int labelTextWidth, int labelTextHeight, const TextBox& name,
                         int nameTextWidth, int gap, int rightLimit);

// The hotline text at the foot of the wizard: from `left`, it must end
// `gap` before the first button. Returns the width it may take.
int HotlineWidth(int left, int firstButtonLeft, int gap);

// ---------------------------------------------------------------- scale

// The dots per inch of a display at 100 % scale.
const int kDefaultDpi = 96;

// The height in pixels of a font of `points` at `dpi` (rounded).
int PointsToPixels(int points, int dpi);

// A length designed in pixels at 100 % scale, at `dpi` (rounded).
int ScaledPixels(int pixelsAt96, int dpi);

// ---------------------------------------------------------------- pictures

struct PixelSize {
    int width = 0, height = 0;
};

// Where a picture sits in a frame of another shape: the part it keeps.
enum class PictureAnchor {
    Top,     // centred across, its top kept (page pictures)
    Centre,  // centred both ways (cable pictures)
};

// How to fill a frame from one of a picture's drawn sizes: `variant` (an
// index into the sizes given) is scaled to `scaled` (or used as it is when
// `scaled` equals its size) and the frame shows the part from `offset`.
struct PictureChoice {
    size_t variant = 0;
    PixelSize scaled;
    int offsetX = 0, offsetY = 0;
    bool resample = false;
};

// The picture fills the whole frame, its proportions kept (what does not
// fit is cut off at the sides the anchor leaves). A drawn size that covers
// the frame to within `kPictureSlack` pixels is used as it is; otherwise the
// smallest drawn size larger than the frame is scaled down to it (the
// largest scaled up, for a frame larger than all of them). `variants` must
// not be empty; a frame of no area gets the first variant as it is.
const int kPictureSlack = 2;
PictureChoice ChoosePicture(const std::vector<PixelSize>& variants, PixelSize frame, PictureAnchor anchor);

// Resamples a picture of 0x00RRGGBB pixels (rows top down) to another size
// with a tent filter as wide as the scale step, so that a smaller picture
// averages the pixels it replaces and a larger one blends between them.
std::vector<uint32_t> ResamplePixels(const std::vector<uint32_t>& pixels, PixelSize from, PixelSize to);

// The part of `pixels` (`size`) at `offset` that is `part` large; what lies
// outside the picture is white.
std::vector<uint32_t> CropPixels(const std::vector<uint32_t>& pixels, PixelSize size, int offsetX, int offsetY,
                                 PixelSize part);

#endif
