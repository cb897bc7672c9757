#pragma once

#include "plugins/transfx/ExactRatio.h"

#include <cstdint>
#include <vector>

// Draws a frame as a set of vertical lines, each a column of a source picture
// stretched or squeezed to its own height and placed at its own top: the
// drawing of every transition whose strips, leaves or cards change their
// height column by column (Door, Rotate In, Accordion, Flip, the cells).
//
// Column x of the destination, when set, shows rows top … top + height − 1
// (clipped to the frame); destination row r takes the source row
// ⌊(r − top)·rows/height⌋ of the source column, where rows is the source
// extent the line spans. A column may carry a table that every colour byte
// goes through (a shade); then the fourth byte is left as it is. Columns not
// set are left untouched. The work runs row by row, so that every buffer is
// walked in memory order.
class CColumnWarp {
public:
    // Makes room for `width` columns; false when memory runs out.
    bool Resize(int width);
    // Forgets every column.
    void Clear();

    // Column x shows source column `column` of the picture at `source` (its
    // row 0, rows `stride` bytes apart), `rows` source rows over `height`
    // destination rows from `top` on. height ≤ 0 leaves the column unset.
    void Set(int x, const std::uint8_t* source, int stride, int column, int top, int height,
             int rows, const std::uint8_t* shade = nullptr);

    // Draws the rows [rowBegin, rowEnd) of the destination.
    void Draw(std::uint8_t* dst, int dstStride, int rowBegin, int rowEnd) const;

private:
    struct SColumn {
        const std::uint8_t* source = nullptr; // pixel (column, 0) of the source; null: unset
        const std::uint8_t* shade = nullptr;
        int stride = 0;
        int top = 0;
        int height = 0;
        CExactRatio row;
    };
    std::vector<SColumn> m_columns;
    int m_first = 0; // the set columns lie in [m_first, m_last)
    int m_last = 0;
};

// One line of a picture stretched or squeezed along a row: destination
// columns left … left + width − 1 (clipped to 0 … frameWidth − 1) take the
// source columns ⌊(j − left)·columns/width⌋ of the row at `in`. width ≤ 0
// draws nothing.
void DrawScaledRow(std::uint8_t* out, const std::uint8_t* in, int frameWidth, int left, int width,
                   int columns);

// A table of the 256 byte values multiplied by a shade in single precision
// and truncated, as the shaded pleats of Accordion use.
void FillShade(std::uint8_t (&table)[256], float shade);
