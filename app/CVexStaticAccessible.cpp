#include "app/CVexStaticAccessible.h"

#include "app/CVexStatic.h"

CVexStaticAccessible::CVexStaticAccessible(CVexStatic* status)
    : QAccessibleWidget(status, QAccessible::StaticText)
{
}

const CVexStatic* CVexStaticAccessible::Status() const
{
    return static_cast<const CVexStatic*>(widget());
}

QString CVexStaticAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
    case QAccessible::Value:
        return Status()->m_textShown ? CVexStatic::DisplayText(Status()->Text()) : QString();
    case QAccessible::Description:
        return Status()->m_textColor == CVexStatic::kErrorColor ? QStringLiteral("error")
                                                                : QString();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessibleInterface* CVexStaticAccessible::Create(const QString& className, QObject* object)
{
    if (className == QLatin1String("CVexStatic") && object && object->isWidgetType())
        return new CVexStaticAccessible(static_cast<CVexStatic*>(object));
    return nullptr;
}
