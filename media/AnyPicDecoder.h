#pragma once

#include "media/PicDecoder.h"

#include <memory>

class PLBmpDecoder;
class PLPictDecoder;
class PLTGADecoder;
class PLTIFFDecoder;
class PLJPEGDecoder;
class PLPNGDecoder;
class PLWEMFDecoder;
class PLPCXDecoder;
class PLPGMDecoder;
class PLGIFDecoder;
class PLPPMDecoder;
class PLPSDDecoder;
class PLWEBPDecoder;
class PLHEIFDecoder;

// Recognises a picture's format from its name (metafiles) and first bytes and
// forwards to the format decoder it owns.
class PLAnyPicDecoder : public PLPicDecoder {
public:
    enum EPicType {
        kUnknown, kBmp, kTga, kTiff, kGif, kPict, kJpeg, kPng, kEpsTiff, kPcx, kPgm, kPpm, kPsd,
        kWmf, kEmf, kWebp, kHeif,
    };

    PLAnyPicDecoder();
    ~PLAnyPicDecoder() override;
    bool GetExif(CExifRecord& record) override;
    void Close() override;
    void Open(PLDataSource* source) override;
    void ReadImage(PLBmp& bmp) override;

    // The format of a source by its name and first bytes (the source does not
    // move). kUnknown when nothing matches.
    static EPicType DetermineType(const PLDataSource& source);

private:
    PLPicDecoder* m_pCurDec = nullptr;
    std::unique_ptr<PLBmpDecoder> m_pBmpDec;
    std::unique_ptr<PLPictDecoder> m_pPictDec;
    std::unique_ptr<PLTGADecoder> m_pTGADec;
    std::unique_ptr<PLTIFFDecoder> m_pTIFFDec;
    std::unique_ptr<PLJPEGDecoder> m_pJPEGDec;
    std::unique_ptr<PLPNGDecoder> m_pPNGDec;
    std::unique_ptr<PLWEMFDecoder> m_pWEMFDec;
    std::unique_ptr<PLPCXDecoder> m_pPCXDec;
    std::unique_ptr<PLPGMDecoder> m_pPGMDec;
    std::unique_ptr<PLGIFDecoder> m_pGIFDec;
    std::unique_ptr<PLPPMDecoder> m_pPPMDec;
    std::unique_ptr<PLPSDDecoder> m_pPSDDec;
    std::unique_ptr<PLWEBPDecoder> m_pWEBPDec;
    std::unique_ptr<PLHEIFDecoder> m_pHEIFDec;
};
