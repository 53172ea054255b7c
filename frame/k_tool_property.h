#pragma once
/// A tool's property sheet as data: one row per control of the sheet, each showing and setting
/// one option variable. A context-command plug-in hands its rows to
/// `KFnPlugin::registerToolProperties` after registering the command; the host copies them and
/// builds the sheet (the tool-settings panel, `help CONTEXT_COMMAND`) from that copy, so the
/// rows may live in the plug-in's read-only data. Controls keep the names the tool's own
/// edit hook uses in its `-ex` tests and `-e` edits.
///
///     const KToolProperty kSheet[] = {
///         {.optionVar = "myToolCount", .control = "myToolCountIntSliderGrp", .label = "Count",
///          .meaning = "how many copies a stroke makes", .kind = KToolProperty::kIntSlider,
///          .minValue = 1, .maxValue = 64, .sliderMin = 1, .sliderMax = 10},
///     };

/// One control of a tool's property sheet.
struct KToolProperty {
    enum Kind { kIntSlider = 0, kFloatSlider, kCheckBox, kRadioGroup };

    const char* optionVar = nullptr;  ///< the option variable the control shows and sets
    const char* control = nullptr;    ///< the control's name ("QT_...IntSliderGrp")
    const char* label = nullptr;      ///< the short text beside the control
    const char* meaning = nullptr;    ///< what the value does, one sentence
    Kind kind = kIntSlider;
    /// Sliders: the values a person may set: the tool's own limits where it clamps, else the
    /// values that make sense for it. The panel keeps every value it sends inside them.
    double minValue = 0.0;
    double maxValue = 0.0;
    /// Sliders: the span the slider shows, inside [minValue, maxValue]; a wider value is typed.
    double sliderMin = 0.0;
    double sliderMax = 0.0;
    /// Radio groups: the buttons' labels separated by '|' ("Off|On drag|Always").
    const char* choices = nullptr;
    /// Radio groups: the option value of the first button; the next buttons count up from it.
    int firstChoice = 1;
    /// The control is enabled only while this option variable is non-zero (null: always).
    const char* enabledBy = nullptr;
    /// ... and only while this option variable equals `enabledWhenValue` (null: no such test).
    const char* enabledWhen = nullptr;
    int enabledWhenValue = 0;
};
