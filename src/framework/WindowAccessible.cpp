#include "framework/WindowAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {
constexpr char kMark[] = "qzmAccessibleWindow";

QAccessibleInterface* MarkedWindowFactory(const QString&, QObject* object)
{
    if (object && object->isWidgetType() && object->property(kMark).toBool())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}
} // namespace

void MarkAsAccessibleWindow(QWidget* window)
{
    window->setProperty(kMark, true);
    // Installing twice installs once.
    QAccessible::installFactory(MarkedWindowFactory);
}
