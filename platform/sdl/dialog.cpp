// The dialog box's window on GTK 3: a fixed-size, modal top-level window whose controls sit at the
// template's positions, converted from dialog units with the template font's average character size.
// Key events reach the dialog manager through noteEscapeKey; Escape already held down as the dialog
// opens is read from X11's key map where the display is X11.

#include "platform/dialog.h"
#include "platform/dialog_state.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

namespace platform {

struct DialogView {
  Dialog* dialog = nullptr;
  GtkWidget* window = nullptr;
  std::vector<GtkWidget*> widgets;  // one per control, in template order
  GMainLoop* loop = nullptr;
  int updating = 0;  // above 0 while the manager changes widgets: their signals are no user action
};

namespace {

using resources::ControlClass;
using resources::DialogControl;
using resources::DialogTemplate;
namespace style = resources::style;

constexpr const char* styleClass = "velmorrow-dialog";
constexpr const char* controlIndexKey = "velmorrow-control-index";

// The font's average character width and its height, in pixels: a horizontal dialog unit is a quarter
// of the first, a vertical one an eighth of the second.
struct BaseUnits {
  int x = 6;
  int y = 13;
  int mapX(int units) const { return (units * x + 2) / 4; }
  int mapY(int units) const { return (units * y + 4) / 8; }
};

bool startGtk() {
  static const bool started = [] {
    gtk_disable_setlocale();  // the process keeps the C locale, so numbers read and print the same everywhere
    return gtk_init_check(nullptr, nullptr) != FALSE;
  }();
  return started;
}

// The template's font, or the system's sans-serif font in its place when it is not installed.
std::string fontFamilies(const DialogTemplate& dialogTemplate) {
  return std::string(dialogTemplate.fontName) + ",sans-serif";
}

BaseUnits measureBaseUnits(GtkWidget* widget, const DialogTemplate& dialogTemplate) {
  PangoFontDescription* font = pango_font_description_from_string(fontFamilies(dialogTemplate).c_str());
  pango_font_description_set_size(font, dialogTemplate.fontPoints * PANGO_SCALE);
  PangoLayout* layout = gtk_widget_create_pango_layout(widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  pango_layout_set_font_description(layout, font);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  pango_font_description_free(font);
  return BaseUnits{std::max(1, (width / 26 + 1) / 2), std::max(1, height)};
}

// The classic dialog look: the template's font, controls no taller than their text needs, a darker
// frame around the default button.
std::string dialogCss(const DialogTemplate& dialogTemplate) {
  const std::string scope = std::string(".") + styleClass;
  const auto rule = [&](const std::string& selector, const std::string& body) {
    return scope + " " + selector + " { " + body + " }\n";
  };
  return scope + ", " +
         rule("*", std::string("font-family: \"") + dialogTemplate.fontName +
                       "\", sans-serif; font-size: " + std::to_string(dialogTemplate.fontPoints) + "pt;") +
         rule("button", "min-height: 0; min-width: 0; padding: 1px 4px;") +
         rule("button.default", "border-color: #3c3c3c;") + rule("checkbutton", "padding: 0;") +
         rule("check", "min-width: 11px; min-height: 11px; margin: 0 4px 0 0;") +
         rule("frame > label", "margin: 0 2px 0 5px;");
}

void applyDialogStyle(const DialogTemplate& dialogTemplate) {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, dialogCss(dialogTemplate).c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

std::size_t controlIndex(gpointer widget) {
  return GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(widget), controlIndexKey));
}

void sendCommand(DialogView& view, int id, std::int64_t notification) {
  sendDialogMessage(view.dialog, DialogMessage::command, commandParam(id, notification), 0);
}

void sendOther(DialogView& view) { sendDialogMessage(view.dialog, DialogMessage::other, 0, 0); }

void onClicked(GtkButton* button, gpointer data) {
  auto& view = *static_cast<DialogView*>(data);
  if (view.updating > 0) return;
  ControlState& state = view.dialog->controls[controlIndex(button)];
  if (isCheckBox(*state.control)) state.checked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
  sendCommand(view, state.control->id, notifyClicked);
}

void onSelectionChanged(GtkComboBox* combo, gpointer data) {
  auto& view = *static_cast<DialogView*>(data);
  if (view.updating > 0) return;
  ControlState& state = view.dialog->controls[controlIndex(combo)];
  state.selection = gtk_combo_box_get_active(combo);
  sendCommand(view, state.control->id, notifySelectionChange);
}

GtkWidget* createButton(const DialogControl& control, DialogView& view) {
  if (control.style & style::groupBox) return gtk_frame_new(control.text);
  GtkWidget* button = (control.style & style::autoCheckBox) ? gtk_check_button_new_with_label(control.text)
                                                            : gtk_button_new_with_label(control.text);
  g_signal_connect(button, "clicked", G_CALLBACK(onClicked), &view);
  return button;
}

GtkWidget* createComboBox(DialogView& view) {
  GtkWidget* combo = gtk_combo_box_text_new();
  g_signal_connect(combo, "changed", G_CALLBACK(onSelectionChanged), &view);
  return combo;
}

GtkWidget* createStaticText(const DialogControl& control) {
  GtkWidget* label = gtk_label_new(control.text);
  gtk_label_set_xalign(GTK_LABEL(label), (control.style & style::centerText) ? 0.5f : 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  return label;
}

GtkWidget* createWidget(const DialogControl& control, DialogView& view) {
  switch (control.controlClass) {
    case ControlClass::button:
      return createButton(control, view);
    case ControlClass::comboBox:
      return createComboBox(view);
    case ControlClass::staticText:
      return createStaticText(control);
  }
  return gtk_label_new(nullptr);
}

void placeControl(GtkFixed* fixed, GtkWidget* widget, const DialogControl& control, const BaseUnits& units) {
  // A drop-down list's height includes its list; the closed box is as tall as its text needs.
  const int height = control.controlClass == ControlClass::comboBox ? -1 : units.mapY(control.height);
  gtk_widget_set_size_request(widget, units.mapX(control.width), height);
  gtk_fixed_put(fixed, widget, units.mapX(control.x), units.mapY(control.y));
}

std::vector<std::size_t> tabStops(const DialogView& view) {
  std::vector<std::size_t> stops;
  for (std::size_t i = 0; i < view.dialog->controls.size(); ++i) {
    if (view.dialog->controls[i].control->style & style::tabStop) stops.push_back(i);
  }
  return stops;
}

// The control that has the keyboard focus (or holds the widget that has it), or -1.
int focusedControl(const DialogView& view) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(view.window));
  if (!focus) return -1;
  for (std::size_t i = 0; i < view.widgets.size(); ++i) {
    if (focus == view.widgets[i] || gtk_widget_is_ancestor(focus, view.widgets[i])) return static_cast<int>(i);
  }
  return -1;
}

void moveFocus(DialogView& view, bool forward) {
  const std::vector<std::size_t> stops = tabStops(view);
  if (stops.empty()) return;
  const auto current = std::find(stops.begin(), stops.end(), static_cast<std::size_t>(focusedControl(view)));
  std::size_t next = forward ? 0 : stops.size() - 1;
  if (current != stops.end()) {
    const std::size_t at = static_cast<std::size_t>(current - stops.begin());
    next = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
  }
  gtk_widget_grab_focus(view.widgets[stops[next]]);
  gtk_window_set_focus_visible(GTK_WINDOW(view.window), TRUE);
}

// Return presses the focused push button, or the default one when the focus is elsewhere.
int enterCommandId(const DialogView& view) {
  const int focused = focusedControl(view);
  if (focused >= 0 && isPushButton(*view.dialog->controls[focused].control))
    return view.dialog->controls[focused].control->id;
  return defaultButtonId(*view.dialog);
}

gboolean onKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto& view = *static_cast<DialogView*>(data);
  switch (event->keyval) {
    case GDK_KEY_Escape:
      noteEscapeKey(true);
      sendCommand(view, idCancel, notifyClicked);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      sendCommand(view, enterCommandId(view), notifyClicked);
      return TRUE;
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
      moveFocus(view, event->keyval != GDK_KEY_ISO_Left_Tab && !(event->state & GDK_SHIFT_MASK));
      return TRUE;
    default:
      sendOther(view);
      return FALSE;  // the focused control handles it (Space, arrows)
  }
}

gboolean onKeyRelease(GtkWidget*, GdkEventKey* event, gpointer data) {
  if (event->keyval == GDK_KEY_Escape) noteEscapeKey(false);
  sendOther(*static_cast<DialogView*>(data));
  return FALSE;
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
  sendDialogMessage(static_cast<DialogView*>(data)->dialog, DialogMessage::close, 0, 0);
  return TRUE;  // the window stays until the procedure ends the dialog
}

gboolean onFocusIn(GtkWidget*, GdkEvent*, gpointer data) {
  sendOther(*static_cast<DialogView*>(data));
  return FALSE;
}

GtkWidget* createWindow(const DialogTemplate& dialogTemplate, DialogView& view) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_style_context_add_class(gtk_widget_get_style_context(window), styleClass);
  gtk_window_set_title(GTK_WINDOW(window), dialogTemplate.caption);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_modal(GTK_WINDOW(window), TRUE);
  gtk_window_set_deletable(GTK_WINDOW(window), (dialogTemplate.style & style::sysMenu) != 0);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), &view);
  g_signal_connect(window, "key-press-event", G_CALLBACK(onKeyPress), &view);
  g_signal_connect(window, "key-release-event", G_CALLBACK(onKeyRelease), &view);
  g_signal_connect(window, "focus-in-event", G_CALLBACK(onFocusIn), &view);
  return window;
}

void buildView(DialogView& view) {
  const DialogTemplate& dialogTemplate = *view.dialog->dialogTemplate;
  applyDialogStyle(dialogTemplate);
  view.window = createWindow(dialogTemplate, view);
  const BaseUnits units = measureBaseUnits(view.window, dialogTemplate);
  gtk_window_move(GTK_WINDOW(view.window), units.mapX(dialogTemplate.x), units.mapY(dialogTemplate.y));

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, units.mapX(dialogTemplate.width), units.mapY(dialogTemplate.height));
  gtk_container_add(GTK_CONTAINER(view.window), fixed);
  for (std::size_t i = 0; i < view.dialog->controls.size(); ++i) {
    const DialogControl& control = *view.dialog->controls[i].control;
    GtkWidget* widget = createWidget(control, view);
    g_object_set_data(G_OBJECT(widget), controlIndexKey, GSIZE_TO_POINTER(i));
    gtk_widget_set_can_focus(widget, (control.style & style::tabStop) != 0);
    placeControl(GTK_FIXED(fixed), widget, control, units);
    view.widgets.push_back(widget);
    if (control.style & style::defPushButton) {
      gtk_widget_set_can_default(widget, TRUE);
      gtk_window_set_default(GTK_WINDOW(view.window), widget);
    }
  }
}

// Whether Escape is held down right now, read from the keyboard's state where the display lets us:
// on X11 the key map. Elsewhere (Wayland keeps the keyboard to the focused window) only the window's
// own key events tell.
bool escapeHeldNow() {
#ifdef GDK_WINDOWING_X11
  GdkDisplay* display = gdk_display_get_default();
  if (!GDK_IS_X11_DISPLAY(display)) return false;
  Display* x = gdk_x11_display_get_xdisplay(display);
  const KeyCode escape = XKeysymToKeycode(x, XK_Escape);
  char keys[32] = {};
  XQueryKeymap(x, keys);
  return escape != 0 && (keys[escape / 8] & (1 << (escape % 8))) != 0;
#else
  return false;
#endif
}

void runModal(DialogView& view) {
  view.loop = g_main_loop_new(nullptr, FALSE);
  gtk_widget_show_all(view.window);
  gtk_window_set_focus(GTK_WINDOW(view.window), nullptr);  // no control has the focus at first
  if (!view.dialog->ended) g_main_loop_run(view.loop);
  g_main_loop_unref(view.loop);
  view.loop = nullptr;
}

// Destroys the window and lets the display see it go before anything else opens a window.
void destroyView(DialogView& view) {
  gtk_widget_destroy(view.window);
  view.window = nullptr;
  view.widgets.clear();
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_display_sync(gdk_display_get_default());
}

template <typename Change>
void updateWidget(DialogView* view, Change change) {
  if (!view) return;
  ++view->updating;
  change();
  --view->updating;
}

}  // namespace

void viewShowCheck(DialogView* view, std::size_t control, bool checked) {
  updateWidget(view, [&] { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view->widgets[control]), checked); });
}

void viewAddItem(DialogView* view, std::size_t control, const std::string& text) {
  updateWidget(view, [&] { gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(view->widgets[control]), text.c_str()); });
}

void viewShowSelection(DialogView* view, std::size_t control, int selection) {
  updateWidget(view, [&] { gtk_combo_box_set_active(GTK_COMBO_BOX(view->widgets[control]), selection); });
}

int viewSelection(const DialogView*, std::size_t, int kept) { return kept; }

void viewEnd(DialogView* view) {
  if (view && view->loop) g_main_loop_quit(view->loop);
}

std::int64_t dialogBoxParam(const resources::DialogTemplate* dialogTemplate, DialogProc proc, std::int64_t initParam) {
  if (!dialogTemplate || !proc || !startGtk()) return -1;
  Dialog dialog;
  initDialogState(dialog, *dialogTemplate, proc);
  DialogView view;
  view.dialog = &dialog;
  buildView(view);
  dialog.view = &view;
  // The key state as the dialog opens: Escape held down then is seen by the first query (initDialog's);
  // whether it is still down later, the window's own key events tell.
  if (escapeHeldNow()) {
    noteEscapeKey(true);
    noteEscapeKey(false);
  }
  sendDialogMessage(&dialog, DialogMessage::initDialog, 0, initParam);
  if (!dialog.ended) runModal(view);
  dialog.view = nullptr;
  destroyView(view);
  return dialog.result;
}

// GTK's key events reach the dialog box through noteEscapeKey; there is nothing else to ask.
bool systemEscapeKeyState() { return false; }

}  // namespace platform
