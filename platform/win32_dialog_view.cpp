// Win32 stand-in: modal dialog boxes on screen.
// Implements: DialogBoxParamA: an SDL window (GL 3.3 core context) titled with the template's
//   caption, the template's controls drawn with Dear ImGui at their template positions
//   (dialog units turned into pixels from the dialog font's average character width and
//   height), keyboard and mouse input handed to the dialog manager, the close request as
//   WM_CLOSE, and the window closed again when the dialog ends.
// Leaves out: owner windows, moving the focus with the mouse wheel, dialogs larger than the
//   screen, high-DPI scaling; video drivers without a screen (offscreen, dummy) get no dialog.
#include "platform/win32_dialog.h"
#include "platform/win32_dialog_record.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_internal.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Colours of a Windows 10 dialog.
const ImU32 kFace = IM_COL32(240, 240, 240, 255);
const ImU32 kText = IM_COL32(0, 0, 0, 255);
const ImU32 kGrayText = IM_COL32(109, 109, 109, 255);
const ImU32 kButtonFace = IM_COL32(225, 225, 225, 255);
const ImU32 kButtonBorder = IM_COL32(173, 173, 173, 255);
const ImU32 kHotFace = IM_COL32(229, 241, 251, 255);
const ImU32 kPressedFace = IM_COL32(204, 228, 247, 255);
const ImU32 kAccent = IM_COL32(0, 120, 215, 255);
const ImU32 kPressedBorder = IM_COL32(0, 84, 153, 255);
const ImU32 kBoxBorder = IM_COL32(51, 51, 51, 255);
const ImU32 kWhite = IM_COL32(255, 255, 255, 255);
const ImU32 kGroupLine = IM_COL32(220, 220, 220, 255);
const ImU32 kShadow = IM_COL32(160, 160, 160, 255);

// Fonts tried in order for the dialog font; ImGui's built-in font is the last resort.
const char* const kFontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
};
// The cell height of an 8-point dialog font at 96 dots per inch.
const float kFontPixels = 13.0f;

struct View {
    int savedGl[3] = {0, 0, 0};  // the context attributes in force before the dialog
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
    ImGuiContext* imgui = nullptr;
    bool backends = false;
    int baseX = 6, baseY = 13;  // dialog base units in pixels
    int width = 0, height = 0;  // client area
    std::vector<GLuint> textures;   // per control: bitmap statics only
    std::vector<ImVec2> imageSizes;
    std::vector<ImU32> imageFill;   // top-left pixel of each bitmap
    std::vector<char> listOpen;     // per control: combo list shown last frame
    std::vector<int> listShownSel;  // per control: selection the list last scrolled to
};

int toPixelsX(const View& v, int units) { return (units * v.baseX + 2) / 4; }
int toPixelsY(const View& v, int units) { return (units * v.baseY + 4) / 8; }

ImVec2 itemMin(const View& v, const DialogItemTemplate& t) {
    return ImVec2((float)toPixelsX(v, t.x), (float)toPixelsY(v, t.y));
}
ImVec2 itemMax(const View& v, const DialogItemTemplate& t) {
    return ImVec2((float)toPixelsX(v, t.x + t.cx), (float)toPixelsY(v, t.y + t.cy));
}

float fieldHeight() { return kFontPixels + 8.0f; }
float rowHeight() { return kFontPixels + 3.0f; }

// The virtual key of the SDL keys the dialog manager answers (0 for the others).
int virtualKeyOf(SDL_Keycode key) {
    switch (key) {
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_F4: return VK_F4;
    default: return 0;
    }
}

void loadFont(View& v) {
    ImGuiIO& io = ImGui::GetIO();
    ImFont* font = nullptr;
    for (const char* path : kFontFiles) {
        if (FILE* f = std::fopen(path, "rb")) {
            std::fclose(f);
            font = io.Fonts->AddFontFromFileTTF(path, kFontPixels);
            if (font) break;
        }
    }
    if (!font) font = io.Fonts->AddFontDefault();
    io.Fonts->Build();
    // Base units as Windows derives them: the average width of the 52 letters, and the height.
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    float w52 = font->CalcTextSizeA(font->FontSize, 1e9f, 0.0f, letters).x;
    v.baseX = std::max(1, ((int)(w52 / 26.0f) + 1) / 2);
    v.baseY = (int)(font->FontSize + 0.5f);
}

void loadBitmaps(View& v, const DialogTemplate* tpl) {
    v.textures.assign(tpl->itemCount, 0);
    v.imageSizes.assign(tpl->itemCount, ImVec2(0, 0));
    v.imageFill.assign(tpl->itemCount, kFace);
    for (int i = 0; i < tpl->itemCount; ++i) {
        const DialogItemTemplate& t = tpl->items[i];
        if (!t.imageId) continue;
        const Win32Resource* r = win32FindResource(RT_BITMAP, MAKEINTRESOURCEA(t.imageId));
        int w = 0, h = 0;
        std::vector<uint32_t> pixels;
        if (!r || !win32DecodeBitmap(r->data, r->size, &w, &h, &pixels)) continue;
        GLuint tex = 0;
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        v.textures[i] = tex;
        v.imageSizes[i] = ImVec2((float)w, (float)h);
        v.imageFill[i] = pixels[0];  // RGBA in memory order is ImU32's layout
    }
}

void destroyView(View& v) {
    if (v.imgui) {
        ImGui::SetCurrentContext(v.imgui);
        if (!v.textures.empty()) glDeleteTextures((GLsizei)v.textures.size(), v.textures.data());
        if (v.backends) {
            ImGui_ImplOpenGL3_Shutdown();
            ImGui_ImplSDL2_Shutdown();
        }
        ImGui::DestroyContext(v.imgui);
    }
    if (v.gl) SDL_GL_DeleteContext(v.gl);
    if (v.window) SDL_DestroyWindow(v.window);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, v.savedGl[0]);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, v.savedGl[1]);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, v.savedGl[2]);
    v = View{};
}

// The hidden window, GL context and ImGui context of a dialog; false when any is missing.
// The dialog's context attributes replace the program's only while the dialog is open.
bool createView(View& v, const DialogTemplate* tpl) {
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &v.savedGl[0]);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &v.savedGl[1]);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &v.savedGl[2]);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);

    v.imgui = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the program keeps no settings between runs
    io.LogFilename = nullptr;
    loadFont(v);
    v.width = toPixelsX(v, tpl->cx);
    v.height = toPixelsY(v, tpl->cy);

    int pos = (tpl->style & DS_CENTER) ? (int)SDL_WINDOWPOS_CENTERED : (int)SDL_WINDOWPOS_UNDEFINED;
    v.window = SDL_CreateWindow(tpl->title ? tpl->title : "", pos, pos, v.width, v.height,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!v.window) return false;
    v.gl = SDL_GL_CreateContext(v.window);
    if (!v.gl) return false;
    SDL_GL_MakeCurrent(v.window, v.gl);
    SDL_GL_SetSwapInterval(0);  // the loop sleeps in SDL_WaitEventTimeout instead
    if (!ImGui_ImplSDL2_InitForOpenGL(v.window, v.gl)) return false;
    if (!ImGui_ImplOpenGL3_Init("#version 330 core")) {
        ImGui_ImplSDL2_Shutdown();
        return false;
    }
    v.backends = true;

    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowPadding = ImVec2(0, 0);
    style.WindowBorderSize = 0;
    style.WindowRounding = 0;
    style.PopupBorderSize = 1;
    style.PopupRounding = 0;
    style.ItemSpacing = ImVec2(0, 0);
    style.ScrollbarRounding = 0;
    style.ScrollbarSize = 16;
    style.Colors[ImGuiCol_WindowBg] = ImGui::ColorConvertU32ToFloat4(kFace);
    style.Colors[ImGuiCol_PopupBg] = ImGui::ColorConvertU32ToFloat4(kWhite);
    style.Colors[ImGuiCol_Border] = ImGui::ColorConvertU32ToFloat4(IM_COL32(100, 100, 100, 255));
    style.Colors[ImGuiCol_Text] = ImGui::ColorConvertU32ToFloat4(kText);
    style.Colors[ImGuiCol_Header] = ImGui::ColorConvertU32ToFloat4(kAccent);
    style.Colors[ImGuiCol_HeaderHovered] = ImGui::ColorConvertU32ToFloat4(kHotFace);
    style.Colors[ImGuiCol_HeaderActive] = ImGui::ColorConvertU32ToFloat4(kAccent);

    loadBitmaps(v, tpl);
    v.listOpen.assign(tpl->itemCount, 0);
    v.listShownSel.assign(tpl->itemCount, CB_ERR);
    return true;
}

void dottedRect(ImDrawList* dl, ImVec2 a, ImVec2 b, ImU32 col) {
    for (float x = a.x; x < b.x; x += 2) {
        dl->AddRectFilled(ImVec2(x, a.y), ImVec2(x + 1, a.y + 1), col);
        dl->AddRectFilled(ImVec2(x, b.y - 1), ImVec2(x + 1, b.y), col);
    }
    for (float y = a.y; y < b.y; y += 2) {
        dl->AddRectFilled(ImVec2(a.x, y), ImVec2(a.x + 1, y + 1), col);
        dl->AddRectFilled(ImVec2(b.x - 1, y), ImVec2(b.x, y + 1), col);
    }
}

void clippedText(ImDrawList* dl, ImVec2 pos, ImU32 col, const char* text, ImVec2 clipMin, ImVec2 clipMax) {
    ImVec4 clip(clipMin.x, clipMin.y, clipMax.x, clipMax.y);
    dl->AddText(ImGui::GetFont(), ImGui::GetFontSize(), pos, col, text, nullptr, 0.0f, &clip);
}

// An invisible hit area for a control; true when it was clicked. Nothing is submitted on a
// frame whose click only closed an open list, so that click reaches no control.
bool hitArea(int index, ImVec2 a, ImVec2 b, bool enabled, bool swallow, ImGuiButtonFlags flags = 0) {
    if (swallow || !enabled || b.x <= a.x || b.y <= a.y) return false;
    ImGui::SetCursorScreenPos(a);
    ImGui::PushID(index);
    bool clicked = ImGui::InvisibleButton("##hit", ImVec2(b.x - a.x, b.y - a.y), flags);
    ImGui::PopID();
    return clicked;
}

void drawPushButton(DialogRecord* d, int i, const View& v, ImDrawList* dl, bool swallow, bool isDefault) {
    const ControlRecord& c = d->controls[i];
    ImVec2 a = itemMin(v, *c.item), b = itemMax(v, *c.item);
    bool enabled = !(c.item->style & WS_DISABLED);
    bool clicked = hitArea(i, a, b, enabled, swallow);
    bool hot = !swallow && ImGui::IsItemHovered();
    bool pressed = hot && ImGui::IsItemActive();
    ImU32 face = pressed ? kPressedFace : hot ? kHotFace : kButtonFace;
    ImU32 border = pressed ? kPressedBorder : (hot || isDefault) ? kAccent : kButtonBorder;
    dl->AddRectFilled(a, b, face);
    dl->AddRect(a, b, border);
    if (isDefault) dl->AddRect(ImVec2(a.x + 1, a.y + 1), ImVec2(b.x - 1, b.y - 1), border);
    const char* text = c.item->text ? c.item->text : "";
    ImVec2 size = ImGui::CalcTextSize(text);
    ImVec2 pos(std::floor((a.x + b.x - size.x) / 2), std::floor((a.y + b.y - size.y) / 2));
    clippedText(dl, pos, enabled ? kText : kGrayText, text, a, b);
    if (d->focus == i) dottedRect(dl, ImVec2(a.x + 3, a.y + 3), ImVec2(b.x - 3, b.y - 3), kText);
    if (clicked) win32DialogClick(reinterpret_cast<HWND>(d), i);
}

void drawCheckBox(DialogRecord* d, int i, const View& v, ImDrawList* dl, bool swallow) {
    const ControlRecord& c = d->controls[i];
    ImVec2 a = itemMin(v, *c.item), b = itemMax(v, *c.item);
    bool enabled = !(c.item->style & WS_DISABLED);
    bool clicked = hitArea(i, a, b, enabled, swallow);
    bool hot = !swallow && ImGui::IsItemHovered();
    bool pressed = hot && ImGui::IsItemActive();
    float box = 13.0f;
    ImVec2 ba(a.x, std::floor((a.y + b.y - box) / 2));
    ImVec2 bb(ba.x + box, ba.y + box);
    dl->AddRectFilled(ba, bb, pressed ? kPressedFace : kWhite);
    dl->AddRect(ba, bb, hot ? kAccent : kBoxBorder);
    if (c.check == BST_CHECKED) {
        ImVec2 pts[3] = {ImVec2(ba.x + 3, ba.y + 6.5f), ImVec2(ba.x + 5.5f, ba.y + 9), ImVec2(ba.x + 10, ba.y + 3.5f)};
        dl->AddPolyline(pts, 3, kText, 0, 1.6f);
    }
    const char* text = c.item->text ? c.item->text : "";
    ImVec2 size = ImGui::CalcTextSize(text);
    ImVec2 pos(bb.x + 4, std::floor((a.y + b.y - size.y) / 2));
    clippedText(dl, pos, enabled ? kText : kGrayText, text, a, b);
    if (d->focus == i)
        dottedRect(dl, ImVec2(pos.x - 1, pos.y), ImVec2(std::min(pos.x + size.x + 1, b.x), pos.y + size.y), kText);
    if (clicked) win32DialogClick(reinterpret_cast<HWND>(d), i);
}

void drawGroupBox(const ControlRecord& c, const View& v, ImDrawList* dl) {
    ImVec2 a = itemMin(v, *c.item), b = itemMax(v, *c.item);
    const char* text = c.item->text ? c.item->text : "";
    ImVec2 size = ImGui::CalcTextSize(text);
    float line = std::floor(a.y + size.y / 2);
    dl->AddRect(ImVec2(a.x, line), b, kGroupLine);
    ImVec2 pos(a.x + (float)v.baseX + 2, a.y);
    if (*text) dl->AddRectFilled(ImVec2(pos.x - 2, a.y), ImVec2(pos.x + size.x + 2, a.y + size.y), kFace);
    clippedText(dl, pos, kText, text, a, b);
}

// A bitmap static with SS_CENTERIMAGE: the picture sits centred and is clipped to the control,
// whose remaining area takes the colour of the picture's top-left pixel.
void drawBitmap(int i, const ControlRecord& c, const View& v, ImDrawList* dl) {
    ImVec2 a = itemMin(v, *c.item), b = itemMax(v, *c.item);
    bool edge = (c.item->style & SS_SUNKEN) || (c.item->exStyle & WS_EX_STATICEDGE);
    ImVec2 ia = edge ? ImVec2(a.x + 1, a.y + 1) : a, ib = edge ? ImVec2(b.x - 1, b.y - 1) : b;
    if (edge) {
        dl->AddRectFilled(a, b, kWhite);
        dl->AddRectFilled(a, ImVec2(b.x - 1, b.y - 1), kShadow);
    }
    if (!v.textures[i]) {
        dl->AddRectFilled(ia, ib, kFace);
        return;
    }
    dl->AddRectFilled(ia, ib, v.imageFill[i]);
    ImVec2 s = v.imageSizes[i];
    ImVec2 pa, pb;
    if (c.item->style & SS_CENTERIMAGE) {
        pa = ImVec2(std::floor((ia.x + ib.x - s.x) / 2), std::floor((ia.y + ib.y - s.y) / 2));
    } else if (c.item->style & SS_RIGHTJUST) {
        pa = ImVec2(ib.x - s.x, ib.y - s.y);
    } else {
        pa = ia;
    }
    pb = ImVec2(pa.x + s.x, pa.y + s.y);
    dl->PushClipRect(ia, ib, true);
    dl->AddImage((ImTextureID)(intptr_t)v.textures[i], pa, pb);
    dl->PopClipRect();
}

void drawCombo(DialogRecord* d, int i, const View& v, ImDrawList* dl, bool swallow) {
    const ControlRecord& c = d->controls[i];
    ImVec2 a = itemMin(v, *c.item);
    ImVec2 b(itemMax(v, *c.item).x, a.y + fieldHeight());
    bool enabled = !(c.item->style & WS_DISABLED);
    bool clicked = hitArea(i, a, b, enabled, swallow, ImGuiButtonFlags_PressedOnClick);
    bool hot = !swallow && (ImGui::IsItemHovered() || c.dropped);
    dl->AddRectFilled(a, b, hot ? kHotFace : kButtonFace);
    dl->AddRect(a, b, hot ? kAccent : kButtonBorder);
    // The drop-down arrow.
    float cx = b.x - 9, cy = std::floor((a.y + b.y) / 2);
    ImVec2 arrow[3] = {ImVec2(cx - 4, cy - 2), ImVec2(cx, cy + 2), ImVec2(cx + 4, cy - 2)};
    dl->AddPolyline(arrow, 3, enabled ? kText : kGrayText, 0, 1.0f);
    ImVec2 ta(a.x + 3, a.y + 3), tb(b.x - 18, b.y - 3);
    if (d->focus == i && !c.dropped) {
        dl->AddRectFilled(ta, tb, kAccent);
        dottedRect(dl, ta, tb, kWhite);
    }
    if (c.selection >= 0 && c.selection < (int)c.entries.size()) {
        const char* text = c.entries[c.selection].c_str();
        ImVec2 size = ImGui::CalcTextSize(text);
        ImVec2 pos(ta.x + 2, std::floor((a.y + b.y - size.y) / 2));
        clippedText(dl, pos, (d->focus == i && !c.dropped) ? kWhite : kText, text, ta, tb);
    }
    if (clicked) win32DialogClick(reinterpret_cast<HWND>(d), i);
}

// The open list of a combo box, below its field. It may extend past the template's height so
// that it shows as many entries as fit in the dialog.
void drawComboList(DialogRecord* d, int i, View& v) {
    ControlRecord& c = d->controls[i];
    char id[32];
    std::snprintf(id, sizeof id, "##list%d", i);
    ImVec2 a = itemMin(v, *c.item);
    float top = a.y + fieldHeight();
    float width = itemMax(v, *c.item).x - a.x;
    int count = (int)c.entries.size();
    int templateRows = std::max(1, (int)((itemMax(v, *c.item).y - top - 2) / rowHeight()));
    int fitRows = std::max(1, (int)((v.height - top - 2) / rowHeight()));
    int rows = std::clamp(count, 1, std::max(templateRows, fitRows));
    ImGui::SetNextWindowPos(ImVec2(a.x, top));
    ImGui::SetNextWindowSize(ImVec2(width, rows * rowHeight() + 2));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(1, 1));
    bool open = ImGui::BeginPopup(id, ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoSavedSettings);
    ImGui::PopStyleVar();
    if (!open) return;
    bool scroll = c.selection != v.listShownSel[i];
    v.listShownSel[i] = c.selection;
    int picked = -1;
    for (int j = 0; j < count; ++j) {
        bool selected = j == c.selection;
        ImGui::PushID(j);
        // The selected row stays blue under the mouse; other rows light up.
        ImGui::PushStyleColor(ImGuiCol_Text, ImGui::ColorConvertU32ToFloat4(selected ? kWhite : kText));
        ImGui::PushStyleColor(ImGuiCol_HeaderHovered, ImGui::ColorConvertU32ToFloat4(selected ? kAccent : kHotFace));
        if (ImGui::Selectable(c.entries[j].c_str(), selected, 0, ImVec2(0, rowHeight()))) picked = j;
        ImGui::PopStyleColor(2);
        if (selected && scroll) ImGui::SetScrollHereY(0.5f);
        ImGui::PopID();
    }
    if (picked >= 0) win32DialogPick(reinterpret_cast<HWND>(d), i, picked);
    if (!c.dropped) {
        ImGui::CloseCurrentPopup();
        v.listOpen[i] = 0;
    }
    ImGui::EndPopup();
}

void drawFrame(DialogRecord* d, View& v) {
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    // A pointer that has left the window hovers nothing.
    if (SDL_GetMouseFocus() != v.window && !ImGui::IsAnyMouseDown())
        ImGui::GetIO().MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImVec2((float)v.width, (float)v.height));
    ImGui::Begin("##dialog", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoScrollWithMouse);
    HWND dialog = reinterpret_cast<HWND>(d);

    // Lists: ImGui closes an open list on a click outside it; that click does nothing else.
    bool swallow = false;
    for (int i = 0; i < (int)d->controls.size(); ++i) {
        ControlRecord& c = d->controls[i];
        if (c.kind != ControlKind::ComboBox) continue;
        char id[32];
        std::snprintf(id, sizeof id, "##list%d", i);
        if (v.listOpen[i] && !ImGui::IsPopupOpen(id)) {
            v.listOpen[i] = 0;
            if (c.dropped) {
                SendDlgItemMessageA(dialog, c.item->id, CB_SHOWDROPDOWN, FALSE, 0);
                swallow = true;
            }
        }
        if (c.dropped && !v.listOpen[i]) {
            ImGui::OpenPopup(id);
            v.listOpen[i] = 1;
            v.listShownSel[i] = CB_ERR - 1;  // scroll to the selection once shown
        }
    }

    // The push button that Enter would press is drawn as the default one.
    int defaultButton = -1;
    bool focusOnButton = d->focus >= 0 && (d->controls[d->focus].kind == ControlKind::PushButton ||
                                           d->controls[d->focus].kind == ControlKind::DefPushButton);
    for (int i = 0; i < (int)d->controls.size() && defaultButton < 0; ++i)
        if (focusOnButton ? i == d->focus : d->controls[i].kind == ControlKind::DefPushButton) defaultButton = i;

    ImDrawList* dl = ImGui::GetWindowDrawList();
    for (int i = 0; i < (int)d->controls.size() && !d->ended; ++i) {
        const ControlRecord& c = d->controls[i];
        if (!(c.item->style & WS_VISIBLE)) continue;
        switch (c.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: drawPushButton(d, i, v, dl, swallow, i == defaultButton); break;
        case ControlKind::CheckBox:
        case ControlKind::AutoCheckBox: drawCheckBox(d, i, v, dl, swallow); break;
        case ControlKind::GroupBox: drawGroupBox(c, v, dl); break;
        case ControlKind::Bitmap: drawBitmap(i, c, v, dl); break;
        case ControlKind::ComboBox: drawCombo(d, i, v, dl, swallow); break;
        case ControlKind::Static: {
            ImVec2 a = itemMin(v, *c.item), b = itemMax(v, *c.item);
            clippedText(dl, a, kText, c.item->text ? c.item->text : "", a, b);
            break;
        }
        default: break;
        }
    }
    for (int i = 0; i < (int)d->controls.size() && !d->ended; ++i)
        if (d->controls[i].kind == ControlKind::ComboBox && v.listOpen[i]) drawComboList(d, i, v);
    ImGui::End();

    ImGui::Render();
    glViewport(0, 0, v.width, v.height);
    glClearColor(240 / 255.0f, 240 / 255.0f, 240 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(v.window);
}

void handleEvent(DialogRecord* d, View& v, const SDL_Event& e) {
    HWND dialog = reinterpret_cast<HWND>(d);
    Uint32 ours = SDL_GetWindowID(v.window);
    switch (e.type) {
    case SDL_QUIT:
        win32DialogClose(dialog);
        return;
    case SDL_WINDOWEVENT:
        if (e.window.windowID == ours && e.window.event == SDL_WINDOWEVENT_CLOSE) win32DialogClose(dialog);
        else ImGui_ImplSDL2_ProcessEvent(&e);
        return;
    case SDL_KEYDOWN: {
        // Keys belong to the dialog manager, not to ImGui; the asynchronous key state sees
        // them as it sees every key of the session.
        win32HandleSdlEvent(e);
        if (e.key.windowID != ours) return;
        int vk = virtualKeyOf(e.key.keysym.sym);
        if (vk) win32DialogKeyDown(dialog, vk, (e.key.keysym.mod & KMOD_SHIFT) != 0, (e.key.keysym.mod & KMOD_ALT) != 0);
        return;
    }
    case SDL_KEYUP:
        win32HandleSdlEvent(e);
        return;
    case SDL_TEXTINPUT:
    case SDL_TEXTEDITING:
        return;
    default:
        ImGui_ImplSDL2_ProcessEvent(&e);
        return;
    }
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND, DLGPROC dialogProc, LPARAM param) {
    const DialogTemplate* tpl = templateName ? findDialogTemplate(templateName) : nullptr;
    if (!tpl || !dialogProc) return -1;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return -1;
    // Video drivers without a screen would leave a modal dialog that nobody can see or answer.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return -1;
    }

    View v;
    if (!createView(v, tpl)) {
        destroyView(v);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return -1;
    }
    DialogRecord* d = createDialogRecord(tpl, dialogProc, param);
    initDialogRecord(d);
    if (!d->ended) {
        SDL_ShowWindow(v.window);
        SDL_RaiseWindow(v.window);
        SDL_SetWindowInputFocus(v.window);
    }
    while (!d->ended) {
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, 100)) {
            handleEvent(d, v, e);
            while (!d->ended && SDL_PollEvent(&e)) handleEvent(d, v, e);
        }
        if (!d->ended) drawFrame(d, v);
    }
    INT_PTR result = d->result;
    destroyDialogRecord(d);
    destroyView(v);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return result;
}
