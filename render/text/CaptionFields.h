#pragma once

#include <map>
#include <string>
#include <vector>

class CSlide;

// Fields a caption's text may name, replaced by facts of its slide when the
// caption is drawn:
//   %FILE%         file name of the slide's main picture or clip
//   %DATE%         the picture's date (EXIF, else the file's), in the locale's form
//   %SIZE%         the file's size: "%d KB", "%d MB" or "%d GB", rounded up
//   %DIMENSIONS%   the picture's size, "W x H"
//   %DESCRIPTION%  the picture's EXIF description
//   %SLIDE%        the slide's number in its album, from 1
//   %SLIDES%       the number of slides in the album
//   %%             a "%"
// Facts that cannot be had are empty; unknown names stay as they are.
//
// Beside these, a render may bring fields of its own (a batch job's "fields",
// `render --field NAME=TEXT`), written the same way: %NAME% in a caption is
// the text given for NAME. Such a name is one or more ASCII letters, digits
// and "_" (case matters) and is none of the names above. Fill runs before the
// slide facts are put in, so a name the job does not give stays as it is.
namespace CaptionFields {

std::string Substitute(const std::string& text, const CSlide& slide, int slideNumber,
                       int slideCount);

// Whether name (without the "%" around it) may name a field of a render.
[[nodiscard]] bool IsFieldName(const std::string& name);

// The text with every %NAME% of fields replaced by its value, scanning from
// left to right. The result still goes through Substitute, so "%%" is kept
// for it and every "%" of a value is doubled there: a value shows as typed,
// even one that looks like a field.
[[nodiscard]] std::string Fill(const std::string& text,
                               const std::map<std::string, std::string>& fields);

// The names of the %NAME% fields a text uses that a render may fill, in
// order of first use (the slide facts are not among them).
[[nodiscard]] std::vector<std::string> FieldsUsed(const std::string& text);

} // namespace CaptionFields
