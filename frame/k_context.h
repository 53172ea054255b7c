#pragma once
/// Interactive tool contexts: a KPxContextCommand (registered with
/// `KFnPlugin::registerContextCommand`) makes KPxContext instances; the host delivers mouse
/// events of a 3D view to the active context on the main thread.

#include "frame/k_status.h"
#include "frame/k_string.h"

class KSyntax;

/// A mouse event in a view: position in port pixels (origin bottom left), button, modifiers.
class KEvent {
public:
    enum MouseButtonType { kLeftMouse = 1 << 6, kMiddleMouse = 1 << 7, kRightMouse = 1 << 8 };
    enum ModifierType {
        kNoModifier = 0,
        kShiftKey = 1 << 0,
        kControlKey = 1 << 2,
        kAltKey = 1 << 3
    };

    KEvent() = default;
    KEvent(short x, short y, MouseButtonType button = kLeftMouse, int modifiers = kNoModifier)
        : m_x(x), m_y(y), m_button(button), m_modifiers(modifiers) {}
    KStatus getPosition(short& x, short& y) const {
        x = m_x;
        y = m_y;
        return KStatus();
    }
    KStatus setPosition(short x, short y) {
        m_x = x;
        m_y = y;
        return KStatus();
    }
    MouseButtonType mouseButton(KStatus* status = nullptr) const {
        if (status) status->clear();
        return m_button;
    }
    bool isModifierNone() const { return m_modifiers == kNoModifier; }
    bool isModifierShift() const { return (m_modifiers & kShiftKey) != 0; }
    bool isModifierControl() const { return (m_modifiers & kControlKey) != 0; }
    bool isModifierAlt() const { return (m_modifiers & kAltKey) != 0; }
    int modifiers() const { return m_modifiers; }
    void setModifiers(int modifiers) { m_modifiers = modifiers; }

private:
    short m_x = 0;
    short m_y = 0;
    MouseButtonType m_button = kLeftMouse;
    int m_modifiers = kNoModifier;
};

/// The mouse cursor a context shows.
class KCursor {
public:
    enum Shape { kDefault = 0, kCrossHair, kDoubleCrossHair, kEditCursor, kPencil, kHand };
    constexpr KCursor(Shape shape = kDefault) : m_shape(shape) {}
    Shape shape() const { return m_shape; }
    bool operator==(const KCursor& o) const { return m_shape == o.m_shape; }
    static const KCursor defaultCursor, crossHairCursor, doubleCrossHairCursor, editCursor,
        pencilCursor, handCursor;

private:
    Shape m_shape;
};

class KPxContext {
public:
    enum ImageIndex { kImage1 = 0, kImage2, kImage3 };

    KPxContext();
    virtual ~KPxContext();
    /// The context becomes / stops being the active tool.
    virtual void toolOnSetup(KEvent& event);
    virtual void toolOffCleanup();
    /// Mouse events; the base answers kSuccess and does nothing.
    virtual KStatus doPress(KEvent& event);
    virtual KStatus doDrag(KEvent& event);
    virtual KStatus doRelease(KEvent& event);
    virtual KStatus doHold(KEvent& event);
    virtual KStatus doEnterRegion(KEvent& event);
    virtual void deleteAction();
    virtual void completeAction();
    virtual void abortAction();
    /// Name of the script that builds the tool's property sheet ("" for none).
    virtual void getClassName(KString& name) const;

    KStatus setTitleString(const KString& title);
    KString titleString() const { return m_title; }
    KStatus setImage(const KString& image, ImageIndex index);
    KString image(ImageIndex index) const;
    KStatus setHelpString(const KString& help);
    KString helpString() const { return m_help; }
    KStatus setCursor(const KCursor& cursor);
    KCursor cursor() const { return m_cursor; }

protected:
    /// A rubber-band rectangle drawn by the host in the active view: started at the press,
    /// following each drag, and answered (port pixels, ordered: left <= right, bottom <= top)
    /// at the release, which also removes it.
    void beginMarquee(KEvent& event);
    void dragMarquee(KEvent& event);
    void releaseMarquee(KEvent& event, short& top, short& left, short& bottom, short& right);

private:
    KString m_title;
    KString m_help;
    KString m_images[3];
    KCursor m_cursor;
};

/// The command that creates (and edits) a tool context.
class KPxContextCommand {
public:
    KPxContextCommand();
    virtual ~KPxContextCommand();
    /// Makes a new context; the host owns it.
    virtual KPxContext* makeObj();
    /// Edit and query flags; the base answers kSuccess.
    virtual KStatus doEditFlags();
    virtual KStatus doQueryFlags();
    /// Adds the command's flags; the base adds none.
    virtual KStatus appendSyntax();

    /// Host use: the syntax being extended by appendSyntax (null outside it).
    KSyntax* syntax() const { return m_syntax; }
    void attachSyntax(KSyntax* syntax) { m_syntax = syntax; }
    /// The result of the command (the context's name after creation).
    void setResult(const KString& result) { m_result = result; }
    KString result() const { return m_result; }

private:
    KSyntax* m_syntax = nullptr;
    KString m_result;
};
