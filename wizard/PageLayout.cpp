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
