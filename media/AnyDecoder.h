#pragma once

#include "media/AnyPicDecoder.h"
#include "media/AnyVidDecoder.h"

#include <memory>
#include <string>

// What a file is: its picture information plus, for clips, duration, frame
// count and whether it has sound (zero for pictures).
struct PLVidInfo : PLBmpInfo {
    double m_Duration = 0;
    std::int64_t m_FrameCount = 0;
    bool m_HasAudio = false;
};

// Pictures and clips behind one interface. A file whose content is a clip
// (CMediaKind) goes to the video decoders, everything else (and every memory
// source) to the picture decoders, which name what they cannot read. For a
// picture the frame operations return the picture, decoded once at 32 bits
// and kept, and the video queries answer 0.
class PLAnyDecoder : public PLVidDecoder {
public:
    PLAnyDecoder() = default;
    ~PLAnyDecoder() override { Close(); }
    bool GetExif(CExifRecord& record) override;
    void Close() override;
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;
    void SetRequestedSize(int width, int height) override;
    const std::uint8_t* GetFrameAtTime(double seconds, int& stride) override;
    const std::uint8_t* GetFrame(std::int64_t index, int& stride) override;
    double GetFrameRate() override;
    double GetDuration() override;
    bool HasAudio() override;
    std::int64_t GetFrameCount() override;
    bool GetAspectRatio(double& width, double& height) override;
    bool OpenFile2(const std::string& path) override;
    // Passes the draft permission on to the picture decoder (see PLPicDecoder).
    void SetDraft(bool draft) {
        PLPicDecoder::SetDraft(draft);
        m_pic.SetDraft(draft);
    }

    // The open picture or clip, scaled to fit inside target and centred; the
    // rest of target keeps what it held. False when no frame can be had.
    bool DecodeInto(PLBmp& target);

    [[nodiscard]] bool IsVideo() const { return m_cur == &m_vid; }

    // The information of a file through a process-wide cache of 500 entries
    // keyed by path; null when the file cannot be opened (nothing is cached then).
    static std::shared_ptr<const PLVidInfo> GetInfo(const std::string& path);

protected:
    void OpenPath(const std::string& path) override;

private:
    // Decodes the whole picture into a bitmap of its own size at the bitmap's depth.
    void DecodeStraight(PLBmp& target);
    const std::uint8_t* KeptPicture(int& stride);

    PLAnyPicDecoder m_pic;
    PLAnyVidDecoder m_vid;
    PLPicDecoder* m_cur = nullptr;
    std::unique_ptr<PLAnyBmp> m_kept;
};
