// The about and help window: its description and the painting of its labels.
#include "ui/about_window.h"

#include <array>
#include <string>

#include "engine/script.h"
#include "ui/frame.h"
#include "ui/main_window.h"

namespace quorvane::ui {
namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kSkyBlue = RGB(0, 136, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);

constexpr DWORD kKeyCodeBoxStyle =
    ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_READONLY | WS_VSCROLL | WS_CLIPSIBLINGS | WS_TABSTOP;

WNDPROC g_labelProc = nullptr;  // the frame's label procedure, which ours wraps

// The labels paint themselves in the colours of the description: the whole
// client area in the background colour, the caption on it, transparent.
LRESULT OnLabelPaint(HWND label) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(label, &ps);
  LiveWindow* window = Program::Instance().OpenWindow(AboutWindowDescription());
  const int index = window ? window->ControlIndex(label) : -1;
  if (index >= 0) {
    const ControlDescription& c = window->Description().controls[index];
    RECT rect;
    GetClientRect(label, &rect);
    UniqueBrush back(CreateSolidBrush(c.backColour));
    FillRect(dc, &rect, back.get());
    const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0));
    const HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, c.textColour);
    SetBkMode(dc, TRANSPARENT);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, AboutLabelDrawFlags(index));
    SelectObject(dc, old);
  }
  EndPaint(label, &ps);
  return 0;
}

LRESULT CALLBACK AboutLabelProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: return OnLabelPaint(label);
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the whole label
    default: return CallWindowProcW(g_labelProc, label, msg, wParam, lParam);
  }
}

void PaintLabelsOurWay(LiveWindow& window) {
  for (int index : {kAboutProductLine, kAboutNotice}) {
    HWND label = window.Control(index);
    if (!label) continue;
    const auto ours = reinterpret_cast<LONG_PTR>(&AboutLabelProc);
    if (GetWindowLongPtrW(label, GWLP_WNDPROC) == ours) continue;
    const auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(label, GWLP_WNDPROC, ours));
    if (!g_labelProc) g_labelProc = previous;
    InvalidateRect(label, nullptr, TRUE);
  }
}

}  // namespace

unsigned AboutLabelDrawFlags(int control) {
  // DT_VCENTER works on single lines only, so the notice starts at the top.
  return control == kAboutProductLine ? DT_LEFT | DT_NOCLIP | DT_SINGLELINE | DT_VCENTER
                                      : DT_LEFT | DT_NOCLIP | DT_WORDBREAK | DT_VCENTER;
}

const WindowDescription& AboutWindowDescription() {
  static const std::array<ControlDescription, 3> controls{{
      {.name = "标签1", .kind = ControlKind::kLabel, .rect = {37, 9, 308, 24}, .style = WS_CLIPSIBLINGS,
       .hasColours = true, .textColour = kBlue, .backColour = kSkyBlue,
       .text = "Quorvane（键鼠模拟） V2.1 Quorvane 开发组"},
      {.name = "编辑框1", .kind = ControlKind::kEdit, .rect = {7, 38, 161, 280}, .style = kKeyCodeBoxStyle,
       .exStyle = WS_EX_CLIENTEDGE, .hasColours = true, .textColour = kBlue, .backColour = kYellow,
       .text = KeyCodeHelpText().c_str(), .limitTextToMaximum = true},
      {.name = "标签2", .kind = ControlKind::kLabel, .rect = {176, 38, 200, 280}, .style = WS_CLIPSIBLINGS,
       .exStyle = WS_EX_STATICEDGE, .hasColours = true, .textColour = kYellow, .backColour = kSkyBlue,
       .text = "Quorvane（键鼠模拟） V2.1\r\n\r\n"
               "按纯文本脚本重放鼠标点击、按键和等待。在主窗口中编写脚本，或从 .txt 文件打开；"
               "按 F11 开始运行，再按 F11 停止。\r\n\r\n"
               "左边是按键语句使用的键码表。\r\n\r\n"
               "本软件为自由软件，按 MIT 许可证发布。"},
  }};
  static const std::array<int, 3> stacking{kAboutNotice, kAboutKeyCodes, kAboutProductLine};
  static const WindowDescription description{
      .className = L"QuorvaneAbout",
      .caption = "关于",
      .outerWidth = 388,
      .outerHeight = 357,
      .style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
      .background = kSkyBlue,
      .ownTaskbarButton = true,
      .visible = true,
      .startState = 1,
      .escapeCloses = true,
      .controls = controls,
      .stacking = stacking,
  };
  return description;
}

void ShowAboutWindow() {
  LiveWindow* main = MainWindow();
  // Owned by the main window: it stays above it and closes with it.
  if (!Program::Instance().LoadWindow(AboutWindowDescription(), main ? main->Handle() : nullptr, false)) return;
  if (LiveWindow* about = Program::Instance().OpenWindow(AboutWindowDescription())) PaintLabelsOurWay(*about);
}

}  // namespace quorvane::ui
