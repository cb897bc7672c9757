#pragma once

class CTextEffect;

namespace titlefx {

// One caption animation of the module, in CreateEffect order.
struct STextEffectInfo {
    const char* name;    // internal name, stored in projects
    const char* display; // display name; null shows the internal name
    int perCharacter;    // 1 when the effect moves the characters one by one
    int variant;         // direction or flavour, as the effect reads it
    int quadratic;       // 1: motion eases out quadratically (Shift); 0: linear
    CTextEffect* (*make)(const STextEffectInfo& info);
};

// The number of caption animations, the rows of the catalogue.
int TextEffectCount();

// Directions of the moving effects (variant).
enum EDirection : int { kLeft = 0, kRight = 1, kDown = 2, kUp = 3 };

// The catalogue entry of index, or null outside 0 … TextEffectCount() − 1.
const STextEffectInfo* TextEffectInfo(int index);

// A new effect of index, or null when the index is unknown or memory runs out.
// Never throws.
CTextEffect* CreateTextEffect(int index);

// Makers, one per file.
CTextEffect* MakeWipe(const STextEffectInfo& info);
CTextEffect* MakeFade(const STextEffectInfo& info);
CTextEffect* MakePop(const STextEffectInfo& info);
CTextEffect* MakeShake(const STextEffectInfo& info);
CTextEffect* MakeStretch(const STextEffectInfo& info);
CTextEffect* MakeScaleIn(const STextEffectInfo& info);
CTextEffect* MakeRotate(const STextEffectInfo& info);
CTextEffect* MakeTypewrite(const STextEffectInfo& info);
CTextEffect* MakeSpin(const STextEffectInfo& info);
CTextEffect* MakeElastic(const STextEffectInfo& info);
CTextEffect* MakeScattered(const STextEffectInfo& info);
CTextEffect* MakeMove(const STextEffectInfo& info);
CTextEffect* MakeCross(const STextEffectInfo& info);
CTextEffect* MakeSplit(const STextEffectInfo& info);
CTextEffect* MakeShadow(const STextEffectInfo& info);

} // namespace titlefx
