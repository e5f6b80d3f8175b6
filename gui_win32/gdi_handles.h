// Owning types for the GDI and USER handles the windows create themselves.
#pragma once

#include <windows.h>

#include <utility>

namespace upd::win32gui {

// A font made for one window; deleted with its owner.
class Font {
public:
    Font() = default;
    explicit Font(HFONT font) : font_(font) {}
    Font(Font&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
    Font& operator=(Font&& other) noexcept {
        if (this != &other) {
            reset();
            font_ = std::exchange(other.font_, nullptr);
        }
        return *this;
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() { reset(); }

    HFONT get() const { return font_; }

private:
    void reset() {
        if (font_) DeleteObject(font_);
        font_ = nullptr;
    }
    HFONT font_ = nullptr;
};

// The accelerator table of the main window (Esc).
class Accelerators {
public:
    explicit Accelerators(HACCEL table) : table_(table) {}
    Accelerators(const Accelerators&) = delete;
    Accelerators& operator=(const Accelerators&) = delete;
    ~Accelerators() {
        if (table_) DestroyAcceleratorTable(table_);
    }
    HACCEL get() const { return table_; }

private:
    HACCEL table_;
};

// A memory device context, for measuring text without the display.
class MemoryDc {
public:
    MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc_) DeleteDC(dc_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

} // namespace upd::win32gui
