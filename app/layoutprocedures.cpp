#include "app/layoutprocedures.h"

#include "platform/errorreport.h"
#include "platform/runtimeerror.h"

#include <cmath>
#include <limits>

namespace LayoutProcedures {

namespace {

enum class Axis { Along, Bottom };

[[noreturn]] void raiseOverflow()
{
    throw RuntimeError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
}

bool fitsInt32(int64_t value)
{
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

// Steps 1 to 3 shared by all four procedures: defaults for Order and Taxa, the change, the share d.
int32_t share(const LayoutBasis &basis, Axis axis, int32_t &Order, int32_t &Taxa, int32_t W_Size, int32_t H_Size)
{
    if (Taxa == 0)
        Taxa = 1;
    if (Order == 0)
        Order = 1;
    double change;
    if (W_Size != 0 || H_Size != 0)
        change = axis == Axis::Along ? W_Size : H_Size;
    else if (axis == Axis::Along)
        change = double(basis.outerWidth) - double(basis.lastWidth);
    else
        change = double(basis.outerHeight) - double(basis.lastHeight);
    return roundHalfEven(change / Taxa);
}

// A control property is single precision; the sum is formed exactly and rounded once.
float addTwips(float value, int32_t amount)
{
    return float(double(value) + double(amount));
}

// Width and Height refuse negative values, as the controls' own properties do.
float grownSize(float size, int32_t d)
{
    const float result = addTwips(size, d);
    if (result < 0)
        throw RuntimeError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    return result;
}

void run(const QString &name, Axis axis, bool resize, const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order,
         int32_t &Taxa, int32_t W_Size, int32_t H_Size) noexcept
{
    try {
        const int32_t d = share(basis, axis, Order, Taxa, W_Size, H_Size);
        float &size = axis == Axis::Along ? Ctrl.width : Ctrl.height;
        float &position = axis == Axis::Along ? Ctrl.left : Ctrl.top;
        if (resize)
            size = grownSize(size, d);
        if (Order != 1)
            position = addTwips(position, positionStep(d, Order));
        Order = 0;
        Taxa = 0;
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), name);
    }
}

} // namespace

int32_t roundHalfEven(double value)
{
    if (std::isnan(value))
        raiseOverflow();
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    if (rounded < double(std::numeric_limits<int32_t>::min()) || rounded > double(std::numeric_limits<int32_t>::max()))
        raiseOverflow();
    return int32_t(rounded);
}

int32_t positionStep(int32_t d, int32_t Order)
{
    const int64_t steps = int64_t(Order) - 1;
    if (!fitsInt32(steps))
        raiseOverflow();
    const int64_t product = int64_t(d) * steps;
    if (!fitsInt32(product))
        raiseOverflow();
    return int32_t(product);
}

void Rpl_Expand_Along(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                      int32_t &H_Size) noexcept
{
    run(QStringLiteral("Rpl_Expand_Along"), Axis::Along, true, basis, Ctrl, Order, Taxa, W_Size, H_Size);
}

void Rpl_Expand_Bottom(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                       int32_t &H_Size) noexcept
{
    run(QStringLiteral("Rpl_Expand_Bottom"), Axis::Bottom, true, basis, Ctrl, Order, Taxa, W_Size, H_Size);
}

void Rpl_Move_Along(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                    int32_t &H_Size) noexcept
{
    run(QStringLiteral("Rpl_Move_Along"), Axis::Along, false, basis, Ctrl, Order, Taxa, W_Size, H_Size);
}

void Rpl_Move_Bottom(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                     int32_t &H_Size) noexcept
{
    run(QStringLiteral("Rpl_Move_Bottom"), Axis::Bottom, false, basis, Ctrl, Order, Taxa, W_Size, H_Size);
}

} // namespace LayoutProcedures
