#pragma once
// The main window's fixed face: its controls, fonts and painted labels, in pixels of the
// client area. Both front ends build and paint from these tables.
#include <cstddef>

#include "base/control.h"
#include "base/handles.h"
#include "base/ids.h"
#include "base/text_field.h"

namespace tarnwick {

constexpr int clientWidth = 900;
constexpr int clientHeight = 530;

constexpr const char* windowTitle = "Tarnwick";
constexpr const char* windowClassName = "TARNWICK";
constexpr const char* aboutFirstLine = "Tarnwick Version 1.0";
// Must fit the About box's 119-unit text line, about 30 characters.
constexpr const char* aboutSecondLine = "Field set-up of the 7190 unit";

enum class ControlKind { singleLineEdit, multiLineEdit, pushButton, checkBox };

struct ControlSpec {
    ControlKind kind;
    int id;
    int x, y, width, height;
    FontKind font;          // edit boxes only; buttons keep the system font
    TextField* field;       // edit boxes only
    bool displayView;       // the view the field is left in after creation
    const char* caption;    // buttons and the check box, Windows-1251
};

constexpr size_t mainControlCount = 26;
extern const ControlSpec mainControls[mainControlCount];

struct FontSpec {
    int height;  // pixels
    int weight;  // 100 thin .. 900 black
    bool italic;
};

constexpr const char* fontFace = "Consolas";
FontSpec fontSpec(FontKind font);

enum class LabelFont { label, hint, panel };
FontSpec labelFontSpec(LabelFont font);

struct LabelSpec {
    LabelFont font;
    int x, y;          // top-left corner of the text
    const char* text;  // Windows-1251
};

constexpr size_t paintedLabelCount = 23;
extern const LabelSpec paintedLabels[paintedLabelCount];

// Creates the 26 controls in their order, binds the fields, loads the settings file into the
// modem panel and puts "COM1" in; called while the main window is being created. A program
// that must leave the settings file alone (the command-line program) does without the load.
void createMainControls(WindowHandle window, bool loadSettingsFile = true);

}  // namespace tarnwick
