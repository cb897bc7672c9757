#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CFont;
class CStyledString;

// Measuring styled text: its lines, its font at a size, its block.
namespace TextMetrics {

// The lines of a text (CR, LF, CR LF and LF CR end a line), decoded from
// UTF-8. An empty text is one space, so it still has a size.
std::vector<std::u32string> SplitLines(std::string_view utf8);

// The font of a style at a size in points (96 pixels per inch).
std::shared_ptr<CFont> FontFor(const CStyledString& style, int points);

// The widest line and the height of all lines at a size; false without a font.
bool MeasureBlock(const CStyledString& style, int points, int& width, int& height);

// The size in points at which the text block is as tall on a frame of
// frameHeight lines as it is at the style's size on 240 lines. False when that
// size would be below 6 points or the text cannot be measured.
bool ScaledSize(const CStyledString& style, int frameHeight, int& points);

} // namespace TextMetrics
