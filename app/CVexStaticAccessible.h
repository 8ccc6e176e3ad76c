#pragma once

#include <QAccessibleWidget>

class CVexStatic;

// The status line as assistive technology sees it: a label whose name is the text as
// shown ("&&" as one "&"), described "error" while it is red. Without it the line would
// be a nameless filler, and a blind user could not learn how an operation ended.
class CVexStaticAccessible : public QAccessibleWidget {
public:
    explicit CVexStaticAccessible(CVexStatic* status);

    QString text(QAccessible::Text t) const override;

    // The factory that QAccessible consults for every object.
    static QAccessibleInterface* Create(const QString& className, QObject* object);

private:
    const CVexStatic* Status() const;
};
