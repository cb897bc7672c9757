#pragma once

// The shared sine table of the module: single-precision (sine, cosine) pairs
// for a coarse step 2π/1024 and a fine step 2π/2^20, built once per process.
// An angle x is rounded to u, the nearest multiple of the fine step, and
// sin x = sin(a + b) with a = ((u >> 10) & 1023) coarse steps and b = (u & 1023)
// fine steps, combined by the angle-sum identities. Angles therefore repeat
// exactly every 2π.
class CSineTable {
public:
    // The table, built on first use (safe from any thread).
    static const CSineTable& Get();

    [[nodiscard]] float Sin(double x) const;
    [[nodiscard]] float Cos(double x) const;
    void SinCos(double x, float& sine, float& cosine) const;

private:
    CSineTable();

    struct SPair {
        float sine;
        float cosine;
    };
    SPair m_coarse[1025];
    SPair m_fine[1025];
};
