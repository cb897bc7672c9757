#pragma once

#include <string>

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
namespace CaptionFields {

std::string Substitute(const std::string& text, const CSlide& slide, int slideNumber,
                       int slideCount);

} // namespace CaptionFields
