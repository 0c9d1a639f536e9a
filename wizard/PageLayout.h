// Where texts go on the pages when their length depends on the language:
// pure arithmetic on rectangles in pixels, tested natively.
#ifndef QV_WIZARD_PAGELAYOUT_H
#define QV_WIZARD_PAGELAYOUT_H

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

#endif
