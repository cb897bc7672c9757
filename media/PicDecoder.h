#pragma once

#include "media/Bmp.h"
#include "media/DataSource.h"

#include <memory>
#include <string>

class CExifRecord;

// The base of every picture and video decoder. Use: SetRequestedSize
// (optional), Open, then ReadImage or DecodeTo, then Close; the three Decode…
// operations run the whole sequence. Failures raise PLTextException.
// The virtual operations keep their slot order.
class PLPicDecoder : public PLBmpInfo {
public:
    PLPicDecoder() = default;
    PLPicDecoder(const PLPicDecoder&) = delete;
    PLPicDecoder& operator=(const PLPicDecoder&) = delete;
    virtual ~PLPicDecoder();
    // An empty hook kept for the slot order.
    virtual void Hook() {}
    // Copies the open picture's EXIF tags into record; false when it has none.
    virtual bool GetExif(CExifRecord& record);
    virtual void DecodeFile(const std::string& path, PLBmp* bmp, int bpp,
                            IPLProgressNotification* progress = nullptr);
    virtual void DecodeResource(const void* module, int id, PLBmp* bmp, int bpp,
                                const char* type = nullptr);
    virtual void DecodeMemory(const std::uint8_t* data, std::size_t size, PLBmp* bmp, int bpp);
    // Decodes the open picture into bmp at depth bpp (0: the picture's own).
    // A wanted depth below the picture's raises code 6; above it, the picture
    // is converted (palette entries expand to blue, green, red, alpha).
    virtual void DecodeTo(PLBmp* bmp, int bpp);
    virtual void Close();
    virtual void Open(PLDataSource* source);
    // Decodes into a bitmap already made with this decoder's size and depth.
    virtual void ReadImage(PLBmp& bmp);
    virtual void SetRequestedSize(int width, int height) {
        m_RequestedWidth = width;
        m_RequestedHeight = height;
    }
    // Allows a draft decode: the decoder may stop reading once the picture at
    // the requested size is complete, so damage in data it does not need goes
    // unseen. A progressive JPEG decoded at one eighth needs only its DC
    // scans. Like the requested size, set before Open.
    void SetDraft(bool draft) { m_draft = draft; }
    // How the requested size is read by decoders that reduce while decoding:
    // by default the reduced picture covers the box (both sides at least the
    // box's); with fit, it only needs to hold the picture fitted inside the
    // box, so a picture of another shape may be reduced further.
    void SetFitRequested(bool fit) { m_fitRequested = fit; }

protected:
    // Opens a source the decoder owns until Close.
    void OpenOwned(std::unique_ptr<PLDataSource> source);
    // Raises code 7 when nothing is open and code 6 when bmp does not have the
    // open picture's size and the given depth: the checks of every ReadImage.
    void CheckTarget(const PLBmp& bmp, int bpp = 32) const;
    // The largest reduction 1, 2, 4 or 8 that keeps a picture of the given
    // upright size at least the requested size (cover), or at least as large
    // as the picture fitted inside it (fit). A requested side of 0 or less:
    // no reduction when covering, no limit from that side when fitting.
    [[nodiscard]] int RequestedReduction(int width, int height) const;

private:
    // Open on a source the decoder then owns, DecodeTo, Close (also on errors).
    void DecodeOwned(std::unique_ptr<PLDataSource> source, PLBmp* bmp, int bpp);

protected:

    PLDataSource* m_pDataSrc = nullptr;
    std::unique_ptr<PLDataSource> m_ownedSrc;
    int m_RequestedWidth = 0;
    int m_RequestedHeight = 0;
    bool m_draft = false;
    bool m_fitRequested = false;
};
