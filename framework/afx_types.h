// The handle and integer types the dialog framework speaks in, and the small helpers that pack
// and unpack message parameters. No window system behind them: the handles are opaque records.
#pragma once

#include <cstdint>

#include "framework/afx_core.h"

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LPCTSTR = const char*;
using LPTSTR = char*;

// Opaque handles. Their records live in the framework's implementation.
struct HWND__;
struct HICON__;
struct HDROP__;
struct HDC__;
struct HMENU__;
using HWND = HWND__*;
using HICON = HICON__*;
using HCURSOR = HICON;
using HDROP = HDROP__*;
using HDC = HDC__*;
using HMENU = HMENU__*;

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) {
    return static_cast<WPARAM>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CRect&) const = default;
};
