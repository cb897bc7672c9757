#pragma once

#include "project/Object.h"

#include <string>
#include <string_view>

// Caption text with its style: font, size, style and alignment flags, colour
// and edge. Colours are 0x00BBGGRR.
//
// The text form of a style is six comma-ended fields: font, size, flags,
// colour, edge width, edge colour ("Arial,20,288,16777215,0,16777215,").
class CStyledString : public CObject {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    // Flag bits. The horizontal anchor is one of 16/32/64, the vertical one of
    // 128/256/512; 544 is centre/bottom and 288 centre/middle.
    enum : int {
        kBold = 2,
        kItalic = 4,
        kUnderline = 8,
        kAlignLeft = 16,
        kAlignCenter = 32,
        kAlignRight = 64,
        kAlignTop = 128,
        kAlignMiddle = 256,
        kAlignBottom = 512,
    };

    CStyledString() = default;
    CStyledString(const CStyledString&) = default;
    CStyledString& operator=(const CStyledString&) = default;

    std::string m_text;
    std::string m_font = "Arial";
    int m_size = 12;
    int m_flags = kAlignCenter | kAlignBottom;

    [[nodiscard]] virtual int GetColor() const { return m_color; }
    virtual void SetColor(int color) { m_color = color; }
    // The edge colour and width; true when the width is above 0.
    virtual bool GetEdge(int& color, int& width) const;
    virtual void SetEdgeWidth(int width) { m_edgeWidth = width; }
    virtual void SetEdgeColor(int color) { m_edgeColor = color; }

    // The string's own colour fields, as stored in project streams. A subtitle
    // keeps them even though it shows its project's colours.
    [[nodiscard]] int GetOwnColor() const { return m_color; }
    [[nodiscard]] int GetOwnEdgeColor() const { return m_edgeColor; }
    [[nodiscard]] int GetEdgeWidth() const { return m_edgeWidth; }
    void SetOwnColors(int color, int edgeWidth, int edgeColor);

    // Reads a style in text form. Numbers are unsigned with C base detection
    // (decimal, 0x hexadecimal, leading-0 octal). With fewer than six
    // comma-ended fields the style is left unchanged and the result is false.
    bool ParseStyle(std::string_view text);
    [[nodiscard]] std::string FormatStyle() const;

    // Reads a number the way the C library's strtoul reads it with base 0 for a
    // 32-bit unsigned long: leading white space, an optional sign (a minus
    // negates modulo 2^32), saturation at 2^32-1, and 0 when no digit follows.
    static unsigned ParseStyleNumber(std::string_view text);

private:
    int m_color = 0;
    int m_edgeWidth = 0;
    int m_edgeColor = 0xFFFFFF;
};
