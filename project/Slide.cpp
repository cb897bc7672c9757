#include "project/Slide.h"

#include "base/CrtRandom.h"
#include "base/OwnedList.h"
#include "base/Settings.h"
#include "project/Project.h"
#include "project/SlideContainer.h"

#include <atomic>
#include <cstdint>
#include <ctime>

namespace {

CObject* CreateSlide() { return new CSlide; }

template <class T>
std::vector<std::unique_ptr<T>> CloneAll(const std::vector<std::unique_ptr<T>>& list) {
    std::vector<std::unique_ptr<T>> copy;
    copy.reserve(list.size());
    for (const auto& element : list)
        copy.push_back(element->Clone());
    return copy;
}

} // namespace

const CRuntimeClass CSlide::kRuntimeClass{"CSlide", &CProjItem::kRuntimeClass, &CreateSlide};

int CSlide::NextRandomSeed() {
    static std::atomic<std::uint32_t> counter{std::uint32_t(std::time(nullptr))};
    std::uint32_t state = counter.fetch_add(1, std::memory_order_relaxed);
    return CCrtRandom::Step(state);
}

CSlide::CSlide()
    : m_displayTime(GetSetting(Settings::PicDelay)),
      m_transitionLength(GetSetting(Settings::EffDelay)), m_randomSeed(NextRandomSeed()),
      m_backgroundColor(GetSetting(Settings::ImgBkColor)),
      m_transitionName(GetSetting(Settings::Effect)) {
    m_subtitle.m_flags |= CStyledString::kBold;
    m_subtitle.m_size = 24;
}

CSlide::CSlide(const CSlide& other) : CProjItem(other), m_subtitle(this) { CopySlideFrom(other); }

CSlide::~CSlide() = default;

void CSlide::CopySlideFrom(const CSlide& other) {
    if (&other == this)
        return;
    m_mainItem = other.m_mainItem;
    if (m_mainItem)
        m_mainItem->SetParent(this);
    m_items = CloneAll(other.m_items);
    for (auto& item : m_items)
        item->SetParent(this);
    m_transitionName = other.m_transitionName;
    m_displayTime = other.m_displayTime;
    m_transitionLength = other.m_transitionLength;
    m_transitionValues = other.m_transitionValues;
    m_layoutName = other.m_layoutName;
    m_layoutValues = other.m_layoutValues;
    m_randomSeed = other.m_randomSeed;
    m_sound = other.m_sound;
    m_soundVolume = other.m_soundVolume;
    m_soundFadeIn = other.m_soundFadeIn;
    m_soundFadeOut = other.m_soundFadeOut;
    m_soundDelay = other.m_soundDelay;
    m_musicLevel = other.m_musicLevel;
    m_musicRestoreRamp = other.m_musicRestoreRamp;
    m_musicLoweringRamp = other.m_musicLoweringRamp;
    m_soundToAlbumEnd = other.m_soundToAlbumEnd;
    m_captions = CloneAll(other.m_captions);
    m_subtitle.CopyFrom(other.m_subtitle);
    m_backgroundMode = other.m_backgroundMode;
    m_backgroundColor = other.m_backgroundColor;
    m_backgroundPicture = other.m_backgroundPicture;
    m_container = other.m_container;
}

void CSlide::GetSlideTimes(double& displayTime, double& transitionLength,
                           double* following) const {
    displayTime = m_displayTime;
    transitionLength = m_transitionLength;
    if (following)
        *following = m_container ? m_container->GetTransitionAfter(this) : 0.0;
}

double CSlide::GetSlideTotal() const {
    double display, transition, following;
    GetSlideTimes(display, transition, &following);
    return transition + display + following;
}

void CSlide::SetTransitionName(const std::string& name) {
    if (name == m_transitionName)
        return;
    m_transitionName = name;
    m_transitionValues.clear();
}

CAlbumItem* CSlide::GetMainItem() const {
    if (m_items.size() > 1)
        return m_mainItem.get();
    return m_items.empty() ? nullptr : m_items.front().get();
}

CSlide::SSound CSlide::GetSlideSound() const {
    if (const CAlbumItem* item = GetMainItem())
        return {item->GetSound(), item->m_volume, item->m_fadeIn, item->m_fadeOut};
    return {m_sound, m_soundVolume, m_soundFadeIn, m_soundFadeOut};
}

CAlbumItem* CSlide::AddItem(const CAlbumItem& item, int position) {
    return AddItem(item.Clone(), position);
}

CAlbumItem* CSlide::AddItem(std::unique_ptr<CAlbumItem> item, int position) {
    item->SetParent(this);
    return InsertOwned(m_items, std::move(item), position);
}

CTextCaption* CSlide::AddCaption(const CTextCaption& caption, int position) {
    return AddCaption(caption.Clone(), position);
}

CTextCaption* CSlide::AddCaption(std::unique_ptr<CTextCaption> caption, int position) {
    return InsertOwned(m_captions, std::move(caption), position);
}

CAlbumItem* CSlide::GetItem(int index) const {
    return index >= 0 && index < int(m_items.size()) ? m_items[std::size_t(index)].get() : nullptr;
}

CTextCaption* CSlide::GetCaption(int index) const {
    return index >= 0 && index < int(m_captions.size()) ? m_captions[std::size_t(index)].get()
                                                       : nullptr;
}

void CSlide::SetMainVideo(std::unique_ptr<CVideo> video) {
    m_mainItem.reset(std::move(video));
    if (m_mainItem)
        m_mainItem->SetParent(this);
}

void CSlide::WalkFiles(CFileWalk& walk) {
    for (auto& item : m_items) {
        walk.OnPath(item->m_file);
        walk.OnSound(item->m_sound);
    }
    if (m_mainItem) {
        walk.OnPath(m_mainItem->m_file);
        walk.OnSound(m_mainItem->m_sound);
    }
    walk.OnSound(m_sound);
    walk.OnPath(m_backgroundPicture);
}

// Subtitle

CSlide::CSubtitle::CSubtitle(CSlide* owner) : m_owner(owner) {}

void CSlide::CSubtitle::CopyFrom(const CStyledString& other) {
    m_text = other.m_text;
    m_font = other.m_font;
    m_size = other.m_size;
    m_flags = other.m_flags;
    SetOwnColors(other.GetOwnColor(), other.GetEdgeWidth(), other.GetOwnEdgeColor());
}

int CSlide::CSubtitle::GetColor() const {
    const CProject* project = m_owner->FindProject();
    return project ? project->GetSubtitleColor() : CStyledString::GetColor();
}

void CSlide::CSubtitle::SetColor(int color) {
    if (CProject* project = m_owner->FindProject())
        project->SetSubtitleColor(color);
    else
        CStyledString::SetColor(color);
}

bool CSlide::CSubtitle::GetEdge(int& color, int& width) const {
    bool edge = CStyledString::GetEdge(color, width);
    if (const CProject* project = m_owner->FindProject())
        color = project->GetSubtitleEdgeColor();
    return edge;
}

void CSlide::CSubtitle::SetEdgeColor(int color) {
    if (CProject* project = m_owner->FindProject())
        project->SetSubtitleEdgeColor(color);
    else
        CStyledString::SetEdgeColor(color);
}
