#include "monitor/ui/CChangeValue.h"

#include "monitor/ui/ValuePreview.h"
#include "monitor/ValueText.h"
#include "ui_CChangeValue.h"

#include <QCompleter>
#include <QStringList>

CChangeValue::CChangeValue(const Fields& fields, bool monitoring, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CChangeValue>()), m_fields(fields),
      m_viewType(monitor::ViewTypeFromName(fields.viewTypeName.toStdString()))
{
    m_ui->setupUi(this);
    m_ui->symbolNameEdit->setText(fields.symbolName);
    m_ui->valueEdit->setText(fields.value);
    m_ui->viewTypeEdit->setText(fields.viewTypeName);
    m_ui->dataSizeEdit->setText(fields.dataSize);
    m_ui->noteLabel->setVisible(!monitoring);
    if (fields.typedTarget && fields.typedTarget->typed) {
        QStringList names;
        for (const elf::Enumerator& e : fields.typedTarget->typed->enumerators)
            names << QString::fromStdString(e.name.str());
        if (!names.isEmpty()) {
            auto* completer = new QCompleter(names, this);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setFilterMode(Qt::MatchContains);
            m_ui->valueEdit->setCompleter(completer);
            m_ui->valueEdit->setToolTip(QStringLiteral("One of: ") + names.join(QStringLiteral(", ")));
        }
    }
    connect(m_ui->valueEdit, &QLineEdit::textChanged, this, &CChangeValue::ShowPreview);
    ShowPreview();
    m_ui->valueEdit->setFocus();
    m_ui->valueEdit->selectAll();
}

CChangeValue::~CChangeValue() = default;

monitor::TextSpan CChangeValue::TextRoom() const
{
    if (m_fields.text.room > 0) return m_fields.text;
    return monitor::TextSpanOf(
        static_cast<std::int32_t>(monitor::ParseUnsignedAuto(m_fields.dataSize.toStdString())), {});
}

std::optional<monitor::WritePlan> CChangeValue::TypedPlan(const QString& typed) const
{
    const auto& target = m_fields.typedTarget;
    if (!target || !target->typed) return std::nullopt;
    const bool field = target->typed->bits.has_value();
    const bool named = !target->typed->enumerators.empty() && target->viewType == target->typed->viewType;
    if (!field && !named) return std::nullopt;
    return monitor::PrepareWrite(*target, typed.toStdString());
}

void CChangeValue::ShowPreview()
{
    QString text;
    const QString typed = m_ui->valueEdit->text();
    if (const auto plan = TypedPlan(typed)) {
        if (!plan->request)
            text = QStringLiteral("Not written: ") + QString::fromStdString(plan->refusal);
        else if (m_fields.typedTarget->typed->bits)
            text = QStringLiteral("%1 into %2").arg(typed, QString::fromStdString(monitor::BitFieldPlace(
                                                                *m_fields.typedTarget->typed)));
        else
            text = QStringLiteral("%1 as %2: 0x%3")
                       .arg(typed, m_fields.viewTypeName,
                            QStringLiteral("%1")
                                .arg(plan->request->value, monitor::IsTwoWordViewType(m_viewType) ? 8 : 4,
                                     16, QLatin1Char('0'))
                                .toUpper());
    } else if (m_viewType == monitor::ASCII) {
        const std::string kept =
            monitor::FitText(m_ui->valueEdit->text().toStdString(), TextRoom());
        text = QStringLiteral("Writes %1 characters and the terminating zero")
                   .arg(QString::fromStdString(kept).size());
    } else {
        text = ValuePreview::Of(m_ui->valueEdit->text(), m_viewType).text;
    }
    ShowPreviewText(m_ui->previewLabel, text);
    // Read with the value edit, so a screen reader user hears it without leaving the edit.
    m_ui->valueEdit->setAccessibleDescription(text);
}

void CChangeValue::accept()
{
    const QString typed = m_ui->valueEdit->text();
    if (const auto plan = TypedPlan(typed)) {
        if (!plan->request) {
            ShowPreview();
            AlertRefusal(m_ui->previewLabel, m_ui->valueEdit);
            return;
        }
        m_bits = plan->request->value;
        m_result = typed;
    } else if (m_viewType == monitor::ASCII) {
        // The item's room bounds the text, the terminating zero included.
        m_result = QString::fromStdString(monitor::FitText(typed.toStdString(), TextRoom()));
    } else {
        const ValuePreview preview = ValuePreview::Of(typed, m_viewType);
        if (!preview.bits) {
            // Refused: the dialog stays with the reason shown, and nothing is written.
            ShowPreview();
            AlertRefusal(m_ui->previewLabel, m_ui->valueEdit);
            return;
        }
        m_bits = preview.bits;
        m_result = typed;
    }
    QDialog::accept();
}
