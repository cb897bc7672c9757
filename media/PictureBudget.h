#pragma once

#include <cstdint>

// The memory decoded pictures may take in this process at once: the pixels
// of decoded bitmaps, the whole-picture working copies some decoders make,
// and the pictures the renderer keeps for its clips. A charge that would take
// the total past the budget is refused with code 10 before the memory is
// allocated, so a template that names more picture than the machine can hold
// loses pictures one by one (each with a warning) instead of exhausting the
// machine.
//
// The budget is a quarter of the memory the process may use: the physical
// memory, or less when an address-space limit (ulimit -v) or the control
// group's memory limit is lower; at least 64 MiB. A quarter leaves room for
// what pictures need beyond their decoded pixels (the frames, the clips'
// layers and prepared sizes, the encoder) and for other programs.
//
// Thread-safe: decoders on several threads charge the same budget.
class CPictureBudget {
public:
    // The budget in bytes.
    [[nodiscard]] static std::uint64_t Limit();
    // The bytes charged now.
    [[nodiscard]] static std::uint64_t InUse();
    // Replaces the budget; 0 restores the default. For tests.
    static void SetLimit(std::uint64_t bytes);

    // A charge against the budget, held as long as the memory it stands for.
    class CCharge {
    public:
        CCharge() = default;
        CCharge(const CCharge&) = delete;
        CCharge& operator=(const CCharge&) = delete;
        CCharge(CCharge&& other) noexcept;
        CCharge& operator=(CCharge&& other) noexcept;
        ~CCharge() { Release(); }

        // Adds bytes to the charge; raises PLTextException code 10, naming
        // the sizes, when they do not fit in what is left of the budget (the
        // charge then stays as it was).
        void Take(std::uint64_t bytes);
        // Gives the whole charge back.
        void Release();
        [[nodiscard]] std::uint64_t Bytes() const { return m_bytes; }

    private:
        std::uint64_t m_bytes = 0;
    };
};
