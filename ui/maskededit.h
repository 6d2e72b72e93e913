#pragma once

#include <QChar>
#include <QLineEdit>
#include <QString>

// The masked edit box of the forms: a line edit that carries the masked-edit properties
// the control helpers read. Mask uses "#" for a digit position ("##-##-####"), PromptChar
// fills the free positions of an empty field, Format is the display pattern for values
// written into it ("dd-mm-yyyy"). The mask is a description only: text set by code is
// taken as it is, and typing is not restricted. Owned by its parent widget.
class MaskedEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString Mask READ mask WRITE setMask)
    Q_PROPERTY(QChar PromptChar READ promptChar WRITE setPromptChar)
    Q_PROPERTY(QString Format READ format WRITE setFormat)

public:
    explicit MaskedEdit(QWidget *parent = nullptr);

    QString mask() const { return m_mask; }
    void setMask(const QString &mask) { m_mask = mask; }
    QChar promptChar() const { return m_promptChar; }
    void setPromptChar(QChar c) { m_promptChar = c; }
    QString format() const { return m_format; }
    void setFormat(const QString &format) { m_format = format; }

    // The text of the empty field: the mask with every "#" shown as the prompt character.
    QString emptyText() const;

private:
    QString m_mask;
    QChar m_promptChar = QLatin1Char('_');
    QString m_format;
};
