#include "app/CtrlPicList.h"

#include "app/ExtThumbCache.h"

#include <QByteArray>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <map>

namespace {

// The item data holding the path (bytes, as the file system has them) and
// the image shown (EImage).
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;

// Room around each icon for the selection frame.
constexpr int kMargin = 5;
constexpr int kFrameWidth = 3;

} // namespace

// Draws an item as its icon alone, untinted, with a frame in the highlight
// colour around it when the item is selected, whether or not the list has
// the focus, and a dashed outline round the item that has the keyboard
// focus, so arrow keys and the space bar can be followed.
class CCtrlPicList::CBorderDelegate : public QStyledItemDelegate {
public:
    CBorderDelegate(QSize iconSize, QObject* parent)
        : QStyledItemDelegate(parent), m_iconSize(iconSize) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QRect iconRect(QPoint(0, 0), m_iconSize);
        iconRect.moveCenter(option.rect.center());
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        icon.paint(painter, iconRect, Qt::AlignCenter, QIcon::Normal, QIcon::On);
        if (option.state & QStyle::State_Selected) {
            painter->save();
            QPen pen(option.palette.color(QPalette::Active, QPalette::Highlight), kFrameWidth);
            pen.setJoinStyle(Qt::MiterJoin);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            // The pen is centred on the rectangle: keep the frame just outside the icon.
            const qreal out = kFrameWidth / 2.0 + 0.5;
            painter->drawRect(QRectF(iconRect).adjusted(-out, -out, out, out));
            painter->restore();
        }
        if (option.state & QStyle::State_HasFocus) {
            painter->save();
            QPen pen(option.palette.color(QPalette::Active, QPalette::Text), 1, Qt::DashLine);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5));
            painter->restore();
        }
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return m_iconSize + QSize(2 * kMargin, 2 * kMargin);
    }

private:
    QSize m_iconSize;
};

CCtrlPicList::CCtrlPicList(std::shared_ptr<CExtThumbCache> cache, QWidget* parent)
    : QListWidget(parent), m_thumbs(std::move(cache)) {
    const QSize thumb(m_thumbs.GetCache()->GetWidth(), m_thumbs.GetCache()->GetHeight());
    setViewMode(QListView::IconMode);
    setIconSize(thumb);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setSpacing(2);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setItemDelegate(new CBorderDelegate(thumb, this));
    for (int i = 0; i < kPlaceholders; ++i)
        m_placeholders[std::size_t(i)] =
            QIcon(QPixmap::fromImage(MakePlaceholder(i, std::min(thumb.width(), thumb.height()))
                                         .scaled(thumb)));
}

CCtrlPicList::~CCtrlPicList() { m_thumbs.Stop(kDestroyStopMs); }

QImage CCtrlPicList::MakePlaceholder(int image, int size) {
    QImage picture(size, size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    if (image == kImagePending)
        return picture;
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    if (image == kImageFailed) {
        // A sheet of paper with a folded corner and a few lines of text.
        const QRectF page(s * 0.32, s * 0.26, s * 0.36, s * 0.48);
        const qreal fold = s * 0.11;
        QPainterPath sheet;
        sheet.moveTo(page.topLeft());
        sheet.lineTo(page.right() - fold, page.top());
        sheet.lineTo(page.right(), page.top() + fold);
        sheet.lineTo(page.bottomRight());
        sheet.lineTo(page.bottomLeft());
        sheet.closeSubpath();
        p.setPen(QPen(QColor(96, 96, 96), std::max(1.0, s / 64)));
        p.setBrush(QColor(250, 250, 250));
        p.drawPath(sheet);
        QPainterPath corner;
        corner.moveTo(page.right() - fold, page.top());
        corner.lineTo(page.right() - fold, page.top() + fold);
        corner.lineTo(page.right(), page.top() + fold);
        p.setBrush(QColor(214, 214, 214));
        p.drawPath(corner);
        p.setPen(QPen(QColor(150, 170, 200), std::max(1.0, s / 48)));
        for (int line = 0; line < 5; ++line) {
            const qreal y = page.top() + fold + s * 0.05 + line * s * 0.055;
            const qreal right = page.right() - s * 0.05 - (line == 4 ? s * 0.1 : 0);
            p.drawLine(QPointF(page.left() + s * 0.05, y), QPointF(right, y));
        }
        return picture;
    }
    // A black question mark on a pale yellow to orange gradient.
    QLinearGradient gradient(0, 0, 0, s);
    gradient.setColorAt(0, QColor(255, 247, 184));
    gradient.setColorAt(1, QColor(255, 166, 64));
    p.fillRect(QRectF(0, 0, s, s), gradient);
    const qreal cx = s / 2, r = s * 0.15, cy = s * 0.34;
    const QRectF bow(cx - r, cy - r, 2 * r, 2 * r);
    QPainterPath mark;
    mark.arcMoveTo(bow, 160);
    mark.arcTo(bow, 160, -250);
    mark.lineTo(cx, cy + r + s * 0.13);
    p.setPen(QPen(Qt::black, s * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(cx, s * 0.8), s * 0.06, s * 0.06);
    return picture;
}

std::string CCtrlPicList::PathOf(const QListWidgetItem* item) {
    const QByteArray bytes = item->data(kPathRole).toByteArray();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

void CCtrlPicList::SetImage(QListWidgetItem* item, int image) {
    item->setIcon(m_placeholders[std::size_t(image)]);
    item->setData(kImageRole, image);
}

int CCtrlPicList::AddPicture(const std::string& path, int position) {
    auto* item = new QListWidgetItem();
    item->setData(kPathRole, QByteArray(path.data(), qsizetype(path.size())));
    SetImage(item, kImagePending);
    if (position < 0 || position >= count())
        addItem(item);
    else
        insertItem(position, item);
    return row(item);
}

bool CCtrlPicList::SetPicture(const std::string& path, int index) {
    QListWidgetItem* it = item(index);
    if (index < 0 || !it)
        return false;
    SetImage(it, kImagePending);
    it->setData(kPathRole, QByteArray(path.data(), qsizetype(path.size())));
    return true;
}

std::string CCtrlPicList::GetPicture(int index) const {
    const QListWidgetItem* it = index >= 0 ? item(index) : nullptr;
    return it ? PathOf(it) : std::string();
}

int CCtrlPicList::GetImageIndex(int index) const {
    const QListWidgetItem* it = index >= 0 ? item(index) : nullptr;
    return it ? it->data(kImageRole).toInt() : -1;
}

void CCtrlPicList::Clear() {
    m_thumbs.Stop(kRefreshStopMs);
    clear();
}

void CCtrlPicList::Refresh(bool resetImages) {
    m_thumbs.Stop(kRefreshStopMs);
    std::map<int, std::string> work;
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem* it = item(i);
        if (resetImages)
            SetImage(it, kImagePending);
        if (it->data(kImageRole).toInt() == kImagePending)
            work.emplace(i, PathOf(it));
    }
    if (work.empty())
        return;
    m_thumbs.Start(this, work, [this](int index, const std::string& path, const QImage& thumb) {
        OnThumbnailReady(index, path, thumb);
    });
}

void CCtrlPicList::OnThumbnailReady(int index, const std::string& path, const QImage& thumb) {
    QListWidgetItem* it = index >= 0 ? item(index) : nullptr;
    // An item given another path since the worker started waits for the
    // next refresh; what was made for its old path is not shown.
    if (!it || PathOf(it) != path)
        return;
    if (thumb.isNull()) {
        SetImage(it, kImageFailed);
    } else {
        it->setIcon(QIcon(QPixmap::fromImage(thumb)));
        it->setData(kImageRole, int(kImageThumb));
    }
    emit ThumbnailSet(index);
}
