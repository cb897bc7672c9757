#include "media/PicDecoder.h"

#include "media/ExifRecord.h"
#include "media/TextException.h"

PLPicDecoder::~PLPicDecoder() = default;

bool PLPicDecoder::GetExif(CExifRecord&) { return false; }

void PLPicDecoder::OpenOwned(std::unique_ptr<PLDataSource> source) {
    PLDataSource* raw = source.get();
    Open(raw);
    m_ownedSrc = std::move(source);
}

void PLPicDecoder::DecodeOwned(std::unique_ptr<PLDataSource> source, PLBmp* bmp, int bpp) {
    try {
        OpenOwned(std::move(source));
        DecodeTo(bmp, bpp);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

void PLPicDecoder::DecodeFile(const std::string& path, PLBmp* bmp, int bpp,
                              IPLProgressNotification* progress) {
    auto source = std::make_unique<PLFileSource>();
    source->Open(path);
    source->SetProgressNotification(progress);
    DecodeOwned(std::move(source), bmp, bpp);
}

void PLPicDecoder::DecodeResource(const void* module, int id, PLBmp* bmp, int bpp,
                                  const char* type) {
    auto source = std::make_unique<PLResourceSource>();
    source->Open(module, id, type);
    DecodeOwned(std::move(source), bmp, bpp);
}

void PLPicDecoder::DecodeMemory(const std::uint8_t* data, std::size_t size, PLBmp* bmp, int bpp) {
    auto source = std::make_unique<PLMemSource>();
    source->Open(data, size);
    DecodeOwned(std::move(source), bmp, bpp);
}

void PLPicDecoder::CheckTarget(const PLBmp& bmp, int bpp) const {
    if (!m_pDataSrc)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    if (bmp.GetWidth() != m_Width || bmp.GetHeight() != m_Height || bmp.GetBitsPerPixel() != bpp)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
}

void PLPicDecoder::DecodeTo(PLBmp* bmp, int bpp) {
    if (!bmp)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    if (bpp == 0 || bpp == m_bpp) {
        bmp->Create(*this);
        ReadImage(*bmp);
        return;
    }
    if (m_bpp >= bpp)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
    PLAnyBmp temp;
    temp.Create(*this);
    ReadImage(temp);
    bmp->CreateCopy(temp, bpp);
}

void PLPicDecoder::Close() {
    m_pDataSrc = nullptr;
    m_ownedSrc.reset();
}

void PLPicDecoder::Open(PLDataSource* source) {
    m_pDataSrc = source;
}

void PLPicDecoder::ReadImage(PLBmp&) {
    throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
}
