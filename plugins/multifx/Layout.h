#pragma once

#include "effects/api/ModuleKit.h"
#include "plugins/multifx/MultiCatalogue.h"

#include <vector>

// The base of the module's layouts: the common slots of a kind-1 effect, the
// picture range and the list of the host's pictures in picture order.
class CLayout : public effectkit::CEffectBase<IMultiEffect> {
public:
    // Names from the catalogue entry; max −1 means no limit on the pictures.
    CLayout(const multifx::SLayoutInfo& info, int minPictures, int maxPictures);
    ~CLayout() override = default;

    int GetType() override { return kEffectMulti; }
    const SEffectIcon* GetIcon() override { return nullptr; }
    void SetSize(int width, int height) override;
    void Reset() override;

    void GetPictureRange(int* min, int* max) override;
    int GetDefaultPictureCount() override;
    int GetSourceCount() override { return int(m_sources.size()); }
    int AddSource(int after, ImultifxiSrc* source) override;
    int ReplaceSource(int index, ImultifxiSrc* source) override;
    int RemoveSource(int index) override;
    void Destroy() override { delete this; }

    // False when building the object ran out of memory.
    [[nodiscard]] bool IsValid() const { return m_valid; }

protected:
    std::vector<ImultifxiSrc*> m_sources;
    bool m_valid = true;

private:
    int m_min = 1;
    int m_max = -1;
};
