#pragma once

#include "effects/api/EffectInterface.h"

#include <vector>

// The base of the module's layouts: the common slots of a kind-1 effect, the
// picture range and the list of the host's pictures in picture order.
class CLayout : public IMultiEffect {
public:
    // name is the internal name; nameId the string number of the display
    // name, 0 when the display name is the internal name; max −1 means no
    // limit on the pictures.
    CLayout(const char* name, int nameId, int minPictures, int maxPictures);
    ~CLayout() override = default;

    int GetType() override { return kEffectMulti; }
    void GetName(char* text, int length) override;
    void GetDisplayName(char* text, int length) override;
    const SEffectIcon* GetIcon() override { return nullptr; }
    void GetSize(int* width, int* height) override;
    int GetFrameCount() override { return m_frameCount; }
    void SetSize(int width, int height) override;
    void SetFrameCount(int count) override { m_frameCount = count; }
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
    int m_width = 0;
    int m_height = 0;
    int m_frameCount = 0;
    std::vector<ImultifxiSrc*> m_sources;
    bool m_valid = true;

private:
    char m_name[256] = {};
    int m_nameId = 0;
    int m_min = 1;
    int m_max = -1;
};
