#pragma once

#include <QLabel>
#include <QPointer>

// A verdict label: draws its caption in its own font when it fits the label's width, and
// in a smaller size when it does not (an error description can be long), so the operator
// always sees the whole text. Below the smallest size the text wraps. The caption is plain
// text, never markup. Text, colours and alignment are the QLabel's own; only the drawing differs.
class VerdictLabel : public QLabel
{
    Q_OBJECT
public:
    explicit VerdictLabel(const QString &text, QWidget *parent = nullptr);

    // The smallest size the caption is ever drawn at, in points.
    static constexpr qreal MinimumPointSize = 12.0;

    // The largest point size, at most font's own, at which text fits in width pixels on one
    // line; never below minimum.
    static qreal fittingPointSize(const QFont &font, const QString &text, qreal width, qreal minimum);

    // A sibling lying over the label's left part (the verdict's symbol): while it is visible the
    // caption keeps clear of it, by as much on the right, so that it stays centred.
    void keepClearOf(const QWidget *sibling) { m_clearOf = sibling; }
    // The part of the label the caption is drawn in.
    QRect captionArea() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<const QWidget> m_clearOf;
};
