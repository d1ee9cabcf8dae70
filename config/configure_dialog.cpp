// The configuration dialog: every setting in a control, the greying rules
// that keep the controls consistent, the scroll bars, a small looping
// animation, and the settings saved on OK.
#include "configure_dialog.h"

#include "configure_ids.h"
#include "dialog_rules.h"
#include "module_instance.h"
#include "resource_ids.h"
#include "saver_message.h"
#include "settings.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace {

constexpr int kFrames = 16;
constexpr int kFrameWidth = 150, kFrameHeight = 112;  // each animation frame's bitmap

// What one open dialog holds, found from the dialog window (its user data).
struct DialogStateRecord {
    RECT Frame = {0, 0, 0, 0};  // the animation's picture frame, in client coordinates
    HBITMAP Bitmaps[kFrames] = {};
    int Current = 0;
    LoadedSettings Loaded;  // the user's settings and where they live: what OK writes back
};

DialogStateRecord* DialogOf(HWND dialog) {
    return reinterpret_cast<DialogStateRecord*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
void Enable(HWND dialog, int id, bool on) { EnableWindow(Item(dialog, id), on ? TRUE : FALSE); }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetUnsigned(HWND dialog, int id, uint32_t value) { SetDlgItemInt(dialog, id, value, FALSE); }

uint32_t Number(HWND dialog, int id) {
    char text[64] = "";
    // A longer text is no number the field could hold; the first 63 characters say so too.
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return NumberFromText(text);
}

void SetBar(HWND dialog, int bar, int number, const ScrollRecord& range, int32_t value) {
    SetScrollRange(Item(dialog, bar), SB_CTL, range.Min, range.Max, FALSE);
    SetScrollPos(Item(dialog, bar), SB_CTL, value, TRUE);  // outside the range: the nearer end
    SetDlgItemInt(dialog, number, (UINT)value, TRUE);
}

void FillCombo(HWND dialog, int id, const char* const names[4], int32_t selected) {
    for (int i = 0; i < 4; i++) SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, selected >= 0 && selected <= 3 ? (WPARAM)selected : (WPARAM)-1, 0);
}

void Open(HWND dialog, DialogStateRecord& state) {
    // The picture fills the frame inside its sunken edge, whatever size the
    // dialog units give it at the display's DPI.
    RECT frame, origin, inside;
    GetWindowRect(Item(dialog, IDC_ANIMATION), &frame);
    GetWindowRect(Item(dialog, IDC_ORIGIN), &origin);
    GetClientRect(Item(dialog, IDC_ANIMATION), &inside);
    const LONG edge_x = std::max<LONG>(0, (frame.right - frame.left - inside.right) / 2);
    const LONG edge_y = std::max<LONG>(0, (frame.bottom - frame.top - inside.bottom) / 2);
    state.Frame = {frame.left - origin.left + edge_x, frame.top - origin.top + edge_y,
                    frame.right - origin.left - edge_x, frame.bottom - origin.top - edge_y};
    for (int i = 0; i < kFrames; i++) {
        char name[16];
        snprintf(name, sizeof name, "IDB_BMP%02d", i + 1);
        state.Bitmaps[i] = LoadBitmapA(ResourceModule(), name);  // a frame that fails stays empty
    }
    state.Current = 0;
    SetTimer(dialog, IDT_ANIMATION, 100, nullptr);
    for (int id : {IDC_PASSWORD_GROUP, IDC_SET_PASSWORD, IDC_PROTECTION}) ShowWindow(Item(dialog, id), SW_HIDE);

    state.Loaded = LoadSettings(SettingsSource{});
    const SaverSettingsRecord& s = state.Loaded.Settings.SaverSettings;
    SetUnsigned(dialog, IDC_TIME_ON_SCREEN, s.TimeOnScreen);
    SetUnsigned(dialog, IDC_GRANULARITY, s.Granularity);
    SetUnsigned(dialog, IDC_PALETTE_NUMBER, s.PaletteIndex + 1);
    SetUnsigned(dialog, IDC_TRANSFORM_STEPS, (uint32_t)s.TransformSteps);
    SetUnsigned(dialog, IDC_EFFECT_CYCLE, (uint32_t)s.EffectCycle);

    Check(dialog, IDC_INFINITE, s.TimeOnScreen == 0);
    Check(dialog, IDC_RANDOM_PALETTE, s.RandomPalette);
    Check(dialog, IDC_PREDEF_PALETTE, s.PredefPalette);
    Check(dialog, IDC_FIXED_PALETTE, s.FixedPalette);
    Check(dialog, IDC_CONT_COLOR_CHANGE, s.ContColorChange);
    Check(dialog, IDC_RANDOM_GRANULARITY, s.RandomGranularity);
    Check(dialog, IDC_EXCLUDE_ZERO, s.ExcludeZero);
    Check(dialog, IDC_NO_BLANK, s.NoBlank);
    Check(dialog, IDC_MOVING, s.MovingClouds);
    Check(dialog, IDC_PSYCHEDELIC, s.PsychedelicColors);
    Check(dialog, IDC_TRANSFORMING, s.TransformingClouds);
    Check(dialog, IDC_NO_EFFECT, !s.MovingClouds && !s.PsychedelicColors && !s.TransformingClouds);

    SetBar(dialog, IDC_DELAY_BAR, IDC_DELAY_NUMBER, kDelayBar, s.PsycheDelay);
    SetBar(dialog, IDC_SPEED_BAR, IDC_SPEED_NUMBER, kSpeedBar, s.MovingSpeed);

    static const char* const kExtras[4] = {"None", "Pepper", "Confetti", "Terrible"};
    static const char* const kSymmetries[4] = {"None", "Quarter", "Vertical", "Horizontal"};
    FillCombo(dialog, IDC_EXTRA, kExtras, s.PsycheExtra);
    FillCombo(dialog, IDC_SYMMETRY, kSymmetries, s.Symmetry);

    char text[64];
    LoadStringA(ResourceModule(), IDS_DIALOG_CAPTION, text, sizeof text);
    SetWindowTextA(dialog, text);
    LoadStringA(ResourceModule(), IDS_EFFECTS_GROUP, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_EFFECTS_GROUP, text);

    if (Checked(dialog, IDC_INFINITE)) {
        Enable(dialog, IDC_TIME_ON_SCREEN, false);
        Enable(dialog, IDC_SECONDS_LABEL, false);
    }
    if (Checked(dialog, IDC_RANDOM_GRANULARITY))
        Enable(dialog, IDC_GRANULARITY, false);
    else
        Enable(dialog, IDC_EXCLUDE_ZERO, false);
    if ((s.MovingClouds || s.TransformingClouds) && !s.PsychedelicColors)
        for (int id : {IDC_TIME_ON_SCREEN, IDC_SECONDS_LABEL, IDC_INFINITE}) Enable(dialog, id, false);
    if (!s.RandomPalette) {
        Check(dialog, IDC_CONT_COLOR_CHANGE, false);
        Enable(dialog, IDC_CONT_COLOR_CHANGE, false);
    }
    if (!s.FixedPalette) Enable(dialog, IDC_PALETTE_NUMBER, false);
}

void PostClick(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, (WPARAM)id, (LPARAM)Item(dialog, id)); }

// A click on a button (the whole command parameter is its id); check boxes have toggled already.
void Command(HWND dialog, int id) {
    switch (id) {
        case IDC_RANDOM_PALETTE:
            Check(dialog, IDC_CONT_COLOR_CHANGE, false);
            Enable(dialog, IDC_CONT_COLOR_CHANGE, Checked(dialog, IDC_RANDOM_PALETTE));
            Enable(dialog, IDC_PALETTE_NUMBER, false);
            Check(dialog, IDC_FIXED_PALETTE, false);
            break;
        case IDC_PREDEF_PALETTE:
            Enable(dialog, IDC_PALETTE_NUMBER, false);
            Check(dialog, IDC_FIXED_PALETTE, false);
            break;
        case IDC_FIXED_PALETTE:
            Enable(dialog, IDC_PALETTE_NUMBER, true);
            for (int other : {IDC_RANDOM_PALETTE, IDC_PREDEF_PALETTE, IDC_CONT_COLOR_CHANGE}) Check(dialog, other, false);
            Enable(dialog, IDC_CONT_COLOR_CHANGE, false);
            break;
        case IDC_RANDOM_GRANULARITY: {
            const bool random = Checked(dialog, IDC_RANDOM_GRANULARITY);
            Enable(dialog, IDC_GRANULARITY, !random);
            Enable(dialog, IDC_EXCLUDE_ZERO, random);
            break;
        }
        case IDC_INFINITE: {
            const bool infinite = Checked(dialog, IDC_INFINITE);
            Enable(dialog, IDC_TIME_ON_SCREEN, !infinite);
            Enable(dialog, IDC_SECONDS_LABEL, !infinite);
            break;
        }
        case IDC_NO_EFFECT:
            for (int effect : {IDC_MOVING, IDC_PSYCHEDELIC, IDC_TRANSFORMING}) Check(dialog, effect, false);
            Enable(dialog, IDC_INFINITE, true);
            PostClick(dialog, IDC_INFINITE);  // the time on screen follows "or Infinite" again
            break;
        case IDC_MOVING:
        case IDC_TRANSFORMING:
            Check(dialog, IDC_NO_EFFECT, false);
            if (!Checked(dialog, IDC_PSYCHEDELIC))
                for (int greyed : {IDC_TIME_ON_SCREEN, IDC_SECONDS_LABEL, IDC_INFINITE}) Enable(dialog, greyed, false);
            break;
        case IDC_PSYCHEDELIC:
            Check(dialog, IDC_NO_EFFECT, false);
            if (Checked(dialog, IDC_PSYCHEDELIC)) {
                Enable(dialog, IDC_INFINITE, true);
                PostClick(dialog, IDC_INFINITE);
            } else {
                for (int greyed : {IDC_TIME_ON_SCREEN, IDC_SECONDS_LABEL, IDC_INFINITE}) Enable(dialog, greyed, false);
            }
            break;
        default:
            break;
    }
}

int32_t Selected(HWND dialog, int id) { return (int32_t)SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0); }

// OK: the controls become the settings. False when they could not be saved.
bool Store(HWND dialog, DialogStateRecord& state) {
    DialogValues v;
    v.TimeOnScreen = Number(dialog, IDC_TIME_ON_SCREEN);
    v.Granularity = Number(dialog, IDC_GRANULARITY);
    v.PaletteNumber = Number(dialog, IDC_PALETTE_NUMBER);
    v.EffectCycle = Number(dialog, IDC_EFFECT_CYCLE);
    v.TransformSteps = Number(dialog, IDC_TRANSFORM_STEPS);
    v.Infinite = Checked(dialog, IDC_INFINITE);
    v.RandomPalette = Checked(dialog, IDC_RANDOM_PALETTE);
    v.PredefPalette = Checked(dialog, IDC_PREDEF_PALETTE);
    v.FixedPalette = Checked(dialog, IDC_FIXED_PALETTE);
    v.ContColorChange = Checked(dialog, IDC_CONT_COLOR_CHANGE);
    v.RandomGranularity = Checked(dialog, IDC_RANDOM_GRANULARITY);
    v.Moving = Checked(dialog, IDC_MOVING);
    v.Psychedelic = Checked(dialog, IDC_PSYCHEDELIC);
    v.Transforming = Checked(dialog, IDC_TRANSFORMING);
    v.NoBlank = Checked(dialog, IDC_NO_BLANK);
    v.ExcludeZero = Checked(dialog, IDC_EXCLUDE_ZERO);
    v.Speed = GetScrollPos(Item(dialog, IDC_SPEED_BAR), SB_CTL);
    v.Delay = GetScrollPos(Item(dialog, IDC_DELAY_BAR), SB_CTL);
    v.Extra = Selected(dialog, IDC_EXTRA);
    v.Symmetry = Selected(dialog, IDC_SYMMETRY);
    StoreDialogValues(v, state.Loaded.Settings.SaverSettings);
    return SaveSettings(state.Loaded.Settings, state.Loaded.Place);
}

void Scroll(HWND dialog, HWND bar, int request, int thumb) {
    const bool delay = bar == Item(dialog, IDC_DELAY_BAR);
    const int32_t next = ScrolledPosition(delay ? kDelayBar : kSpeedBar, GetScrollPos(bar, SB_CTL), request, thumb);
    SetScrollPos(bar, SB_CTL, next, TRUE);
    SetDlgItemInt(dialog, delay ? IDC_DELAY_NUMBER : IDC_SPEED_NUMBER, (UINT)next, TRUE);
}

// The current frame into the picture frame, then the next one.
void Animate(HWND dialog, DialogStateRecord& state) {
    HBITMAP bitmap = state.Bitmaps[state.Current];
    state.Current = (state.Current + 1) % kFrames;
    if (!bitmap) return;
    HDC dc = GetDC(dialog);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, bitmap);
    const RECT& f = state.Frame;
    const int width = f.right - f.left, height = f.bottom - f.top;
    IntersectClipRect(dc, f.left, f.top, f.right, f.bottom);
    if (width == kFrameWidth && height == kFrameHeight) {
        BitBlt(dc, f.left, f.top, width, height, source, 0, 0, SRCCOPY);
    } else {  // another size, or another DPI: scaled smoothly to fill the frame
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);  // as HALFTONE asks
        StretchBlt(dc, f.left, f.top, width, height, source, 0, 0, kFrameWidth, kFrameHeight, SRCCOPY);
    }
    SelectObject(source, previous);
    DeleteDC(source);
    ReleaseDC(dialog, dc);
}

void Close(HWND dialog, DialogStateRecord& state) {
    for (HBITMAP& bitmap : state.Bitmaps) {
        if (bitmap) DeleteObject(bitmap);
        bitmap = nullptr;
    }
    KillTimer(dialog, IDT_ANIMATION);
}

}  // namespace

BOOL ScreenSaverPrepareDialog(HINSTANCE) { return TRUE; }

VELMORA_EXPORT INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        DialogStateRecord* made = new DialogStateRecord;
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(made));
        Open(dialog, *made);
        return TRUE;
    }
    DialogStateRecord* found = DialogOf(dialog);
    if (!found) return FALSE;  // before WM_INITDIALOG (its font) or after the dialog's end
    DialogStateRecord& state = *found;
    switch (message) {
        case WM_COMMAND:
            if (wparam == IDOK) {
                if (!Store(dialog, state)) {  // the edits stay in the dialog: the user may try again or cancel
                    ShowSaverMessage(IDS_SETTINGS_NOT_SAVED);
                    return TRUE;
                }
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (wparam == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            Command(dialog, (int)wparam);
            return FALSE;
        case WM_TIMER:
            InvalidateRect(dialog, &state.Frame, FALSE);
            return FALSE;
        case WM_HSCROLL:
            Scroll(dialog, reinterpret_cast<HWND>(lparam), LOWORD(wparam), HIWORD(wparam));
            return FALSE;
        case WM_PAINT:
            Animate(dialog, state);
            return FALSE;
        case WM_DESTROY:
            Close(dialog, state);
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            delete found;
            return FALSE;
        default:
            return FALSE;
    }
}
