#include "frame/k_context.h"

const KCursor KCursor::defaultCursor(KCursor::kDefault);
const KCursor KCursor::crossHairCursor(KCursor::kCrossHair);
const KCursor KCursor::doubleCrossHairCursor(KCursor::kDoubleCrossHair);
const KCursor KCursor::editCursor(KCursor::kEditCursor);
const KCursor KCursor::pencilCursor(KCursor::kPencil);
const KCursor KCursor::handCursor(KCursor::kHand);

KPxContext::KPxContext() = default;
KPxContext::~KPxContext() = default;

void KPxContext::toolOnSetup(KEvent&) {}
void KPxContext::toolOffCleanup() {}
KStatus KPxContext::doPress(KEvent&) { return KStatus::kSuccess; }
KStatus KPxContext::doDrag(KEvent&) { return KStatus::kSuccess; }
KStatus KPxContext::doRelease(KEvent&) { return KStatus::kSuccess; }
KStatus KPxContext::doHold(KEvent&) { return KStatus::kSuccess; }
KStatus KPxContext::doEnterRegion(KEvent&) { return KStatus::kSuccess; }
void KPxContext::deleteAction() {}
void KPxContext::completeAction() {}
void KPxContext::abortAction() {}
void KPxContext::getClassName(KString& name) const { name.clear(); }

KStatus KPxContext::setTitleString(const KString& title) {
    m_title = title;
    return KStatus::kSuccess;
}

KStatus KPxContext::setImage(const KString& image, ImageIndex index) {
    if (index < kImage1 || index > kImage3) return KStatus::kInvalidParameter;
    m_images[index] = image;
    return KStatus::kSuccess;
}

KString KPxContext::image(ImageIndex index) const {
    return index >= kImage1 && index <= kImage3 ? m_images[index] : KString();
}

KStatus KPxContext::setHelpString(const KString& help) {
    m_help = help;
    return KStatus::kSuccess;
}

KStatus KPxContext::setCursor(const KCursor& cursor) {
    m_cursor = cursor;
    return KStatus::kSuccess;
}

KPxContextCommand::KPxContextCommand() = default;
KPxContextCommand::~KPxContextCommand() = default;
KPxContext* KPxContextCommand::makeObj() { return new KPxContext(); }
KStatus KPxContextCommand::doEditFlags() { return KStatus::kSuccess; }
KStatus KPxContextCommand::doQueryFlags() { return KStatus::kSuccess; }
KStatus KPxContextCommand::appendSyntax() { return KStatus::kSuccess; }
