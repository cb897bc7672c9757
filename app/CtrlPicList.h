#pragma once

#include "app/ExtThumbMgr.h"

#include <QIcon>
#include <QListWidget>

#include <array>
#include <memory>
#include <string>

class CExtThumbCache;

// The list of a template's pictures: one icon per picture at the thumbnail
// size of its cache (96 x 96), each item carrying the path of its picture.
// Items start with a blank placeholder; Refresh has the thumbnail worker make
// their thumbnails, which arrive on the list's thread one by one. A file that
// has no thumbnail shows the document placeholder.
//
// The selection stays visible when the list loses the focus and is drawn as
// a frame around the icon, which itself is never tinted.
class CCtrlPicList : public QListWidget {
    Q_OBJECT

public:
    // The images an item can show: the three placeholders, or its thumbnail.
    enum EImage {
        kImagePending = 0, // no thumbnail yet: a white square
        kImageFailed = 1,  // none can be made: a document on white
        kImageUnknown = 2, // a question mark on yellow to orange, for the owner's use
        kImageThumb = 3,   // the item's own thumbnail
    };
    static constexpr int kPlaceholders = 3;
    // The timeouts for stopping the worker before a refresh and on destruction.
    static constexpr int kRefreshStopMs = 3000;
    static constexpr int kDestroyStopMs = 1000;

    // A null cache means the process-wide default cache.
    explicit CCtrlPicList(std::shared_ptr<CExtThumbCache> cache = nullptr,
                          QWidget* parent = nullptr);
    ~CCtrlPicList() override;

    // Inserts an item for a path at position (-1 or past the end appends)
    // showing the blank placeholder; returns its index.
    int AddPicture(const std::string& path, int position = -1);
    // Gives an item a new path and the blank placeholder; false (and nothing
    // changed) when the index is out of range.
    bool SetPicture(const std::string& path, int index);
    // The item's path; empty for an index out of range.
    [[nodiscard]] std::string GetPicture(int index) const;
    // Stops the worker and removes every item.
    void Clear();
    // Stops the worker, resets every item to the blank placeholder when asked,
    // and starts the worker on the items that still show it.
    void Refresh(bool resetImages);

    // The image an item shows (EImage); -1 for an index out of range.
    [[nodiscard]] int GetImageIndex(int index) const;
    [[nodiscard]] CExtThumbMgr& GetThumbMgr() { return m_thumbs; }

    // A placeholder picture drawn at size x size.
    static QImage MakePlaceholder(int image, int size);

signals:
    // A thumbnail (or the failure placeholder) arrived for an item.
    void ThumbnailSet(int index);

private:
    class CBorderDelegate;

    void SetImage(QListWidgetItem* item, int image);
    void OnThumbnailReady(int index, const std::string& path, const QImage& thumb);
    static std::string PathOf(const QListWidgetItem* item);

    CExtThumbMgr m_thumbs;
    std::array<QIcon, kPlaceholders> m_placeholders;
};
