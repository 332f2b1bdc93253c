#include "textfield.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QValidator>

#include <climits>

namespace zem {
namespace {

// QLineEdit checks every edit here, whichever way it came (keys, paste, drop, middle-click, input
// method), and takes back an edit found invalid whole.
class LengthLimit final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return input.size() <= TextField::Limit ? Acceptable : Invalid;
    }
};

} // namespace

TextField::TextField(QWidget *parent)
    : QLineEdit(parent)
{
    // The limit is the validator's, so that nothing is cut to fit before it is looked at.
    setMaxLength(INT_MAX);
    setValidator(new LengthLimit(this));
    connect(this, &QLineEdit::inputRejected, this, [this] {
        if (!m_typing)
            Q_EMIT refused(tr("The field \"%1\" holds at most %L2 characters, so the text was not "
                              "added; the field keeps what it had.")
                               .arg(accessibleName())
                               .arg(Limit));
    });
}

void TextField::keyPressEvent(QKeyEvent *event)
{
    const QScopedValueRollback typing(m_typing, !event->matches(QKeySequence::Paste));
    QLineEdit::keyPressEvent(event);
}

void TextField::inputMethodEvent(QInputMethodEvent *event)
{
    const QScopedValueRollback typing(m_typing, true);
    QLineEdit::inputMethodEvent(event);
}

} // namespace zem
