#include "monitor/ui/CWatchByName.h"

#include "monitor/ui/ValuePreview.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringListModel>
#include <QVBoxLayout>

CWatchByName::CWatchByName(Lists lists, const QString& start, QWidget* parent)
    : QDialog(parent), m_lists(std::move(lists))
{
    setWindowTitle(QStringLiteral("Watch by Name"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Symbol, member or element (motor.gain, table[700])"), this);
    m_name = new QLineEdit(start, this);
    m_name->setObjectName(QStringLiteral("nameEdit"));
    m_name->setAccessibleName(QStringLiteral("Symbol, member or element"));
    label->setBuddy(m_name);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("previewLabel"));
    m_refusal->setWordWrap(true);
    m_refusal->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(label);
    layout->addWidget(m_name);
    layout->addWidget(m_refusal);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CWatchByName::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CWatchByName::reject);

    m_candidates = new QStringListModel(this);
    auto* completer = new QCompleter(m_candidates, this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_name->setCompleter(completer);
    // The candidates are the next step's: the symbols, then a struct's members or an
    // array's elements once its name and "." or "[" are typed.
    connect(m_name, &QLineEdit::textEdited, this, &CWatchByName::Complete);
    Complete(start);
    m_name->setFocus();
    m_name->end(false);
}

void CWatchByName::Complete(const QString& typed)
{
    const QStringList candidates = m_lists.completions(typed);
    if (candidates != m_candidates->stringList()) m_candidates->setStringList(candidates);
    m_refusal->clear();
}

void CWatchByName::accept()
{
    const std::string refusal = m_lists.add(m_name->text().trimmed().toStdString());
    if (!refusal.empty()) {
        ShowPreviewText(m_refusal, QString::fromStdString(refusal));
        AlertRefusal(m_refusal, m_name);
        return;
    }
    QDialog::accept();
}
