#include "ui/Style.h"

#include "platform/Dialogs.h"
#include "platform/IniFile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolButton>

// The resources live in the static core library: they must be registered by hand.
static void initTarvikResources() { Q_INIT_RESOURCE(tarvik); }

namespace tarvik {

namespace {

struct Colours {
    QColor window, text, button, buttonText, buttonHover, border, accent, accentDark, accentText, bar, barText,
        tip, tipText;
};

// A flat look drawn over Fusion with a palette: a style sheet would give the
// same look but costs a good share of the start-up in polishing.
class MetropolisStyle : public QProxyStyle {
public:
    explicit MetropolisStyle(const Colours &c) : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), m_c(c) {}

    void polish(QPalette &pal) override
    {
        QProxyStyle::polish(pal);
        pal.setColor(QPalette::Window, m_c.window);
        pal.setColor(QPalette::WindowText, m_c.text);
        pal.setColor(QPalette::Base, m_c.window);
        pal.setColor(QPalette::Text, m_c.text);
        pal.setColor(QPalette::Button, m_c.button);
        pal.setColor(QPalette::ButtonText, m_c.buttonText);
        pal.setColor(QPalette::Highlight, m_c.accent);
        pal.setColor(QPalette::HighlightedText, m_c.accentText);
        pal.setColor(QPalette::ToolTipBase, m_c.tip);
        pal.setColor(QPalette::ToolTipText, m_c.tipText);
        pal.setColor(QPalette::Mid, m_c.border);
    }

    void polish(QWidget *w) override
    {
        QProxyStyle::polish(w);
        const QString name = w->objectName();
        if (name == QLatin1String("Panel_boutons") || name == QLatin1String("StatusBar1")) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Window, m_c.bar);
            pal.setColor(QPalette::WindowText, m_c.barText);
            w->setPalette(pal);
            w->setAutoFillBackground(true);
            if (auto *label = qobject_cast<QLabel *>(w))
                label->setContentsMargins(4, 2, 4, 2);
        } else if (name == QLatin1String("BTN_RunAll")) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Button, m_c.accent);
            pal.setColor(QPalette::ButtonText, m_c.accentText);
            w->setPalette(pal);
            QFont f = w->font();
            f.setBold(true);
            w->setFont(f);
        }
        if (qobject_cast<QAbstractButton *>(w))
            w->setAttribute(Qt::WA_Hover);
    }

    void drawPrimitive(PrimitiveElement pe, const QStyleOption *opt, QPainter *p, const QWidget *w) const override
    {
        switch (pe) {
        case PE_PanelButtonCommand: {
            const bool down = opt->state & (State_Sunken | State_On);
            const bool hover = opt->state & State_MouseOver;
            const bool focus = opt->state & State_HasFocus;
            p->fillRect(opt->rect, down ? m_c.accent : hover ? m_c.buttonHover : opt->palette.color(QPalette::Button));
            p->setPen(hover || focus || down ? m_c.accent : m_c.border);
            p->drawRect(opt->rect.adjusted(0, 0, -1, -1));
            return;
        }
        case PE_PanelButtonTool:
            if (w && w->objectName() == QLatin1String("BTN_RunAll")) {
                p->fillRect(opt->rect, opt->state & State_MouseOver ? m_c.accentDark : m_c.accent);
                return;
            }
            break;
        case PE_FrameFocusRect:
            return; // the border of a focused button already shows it
        default:
            break;
        }
        QProxyStyle::drawPrimitive(pe, opt, p, w);
    }

    void drawControl(ControlElement ce, const QStyleOption *opt, QPainter *p, const QWidget *w) const override
    {
        if (ce == CE_MenuItem) {
            const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(opt);
            if (item && item->checkType == QStyleOptionMenuItem::Exclusive && item->icon.isNull()) {
                drawRadioMenuItem(*item, p, w);
                return;
            }
        }
        if (ce == CE_PushButtonLabel && (opt->state & (State_Sunken | State_On))) {
            // White text on the pressed accent.
            QStyleOptionButton copy = *qstyleoption_cast<const QStyleOptionButton *>(opt);
            copy.palette.setColor(QPalette::ButtonText, m_c.accentText);
            QProxyStyle::drawControl(ce, &copy, p, w);
            return;
        }
        QProxyStyle::drawControl(ce, opt, p, w);
    }

private:
    // Fusion draws a radio item's dot but no circle, so a clear radio item
    // reads as a plain label beside the boxes of the check items: the item
    // is drawn without its mark, then a whole radio indicator in the mark's
    // place, as check items get a whole box.
    void drawRadioMenuItem(const QStyleOptionMenuItem &item, QPainter *p, const QWidget *w) const
    {
        const bool on = item.checked || (item.state & State_On);
        QStyleOptionMenuItem unmarked = item;
        unmarked.checked = false;
        unmarked.state &= ~(State_On | State_Sunken);
        QProxyStyle::drawControl(CE_MenuItem, &unmarked, p, w);

        // The place of the mark, as Fusion computes it for check items.
        constexpr int itemHMargin = 3, itemFrame = 2;
        const int column = qMax(int(item.rect.height() * 0.79), qMax(item.maxIconWidth, 21));
        const qreal margin = 3.5, side = column - 2 * margin;
        QRect mark = QRectF(item.rect.left() + margin + itemHMargin + itemFrame - 1,
                            item.rect.center().y() - side / 2 + 1, side, side)
                         .toRect();
        mark.setWidth(mark.height());
        QStyleOptionButton radio;
        radio.QStyleOption::operator=(item);
        radio.rect = visualRect(item.direction, item.rect, mark);
        radio.state &= ~(State_On | State_Off | State_Sunken | State_Selected);
        radio.state |= on ? State_On : State_Off;
        proxy()->drawPrimitive(PE_IndicatorRadioButton, &radio, p, w);
    }

    Colours m_c;
};

} // namespace

bool applyStyle(const QString &name)
{
    initTarvikResources();
    QFile description(QStringLiteral(":/styles/%1.ini").arg(name));
    if (!description.open(QIODevice::ReadOnly)) {
        dialogs().messageBox(applicationTitle(), QStringLiteral("Style '%1' non trouvé").arg(name), MB_OK | MB_ICONERROR);
        return false;
    }
    const IniFile ini = IniFile::fromBytes(description.readAll());
    const auto colour = [&ini](const char *key) {
        return QColor(ini.readString(QStringLiteral("Couleurs"), QString::fromLatin1(key), QStringLiteral("#000000")));
    };
    const Colours c{colour("Fenetre"), colour("Texte"), colour("Bouton"), colour("TexteBouton"),
                    colour("BoutonSurvole"), colour("Bordure"), colour("Accent"), colour("AccentSombre"),
                    colour("TexteAccent"), colour("Barre"), colour("TexteBarre"), colour("Bulle"),
                    colour("TexteBulle")};
    QApplication::setStyle(new MetropolisStyle(c));
    return true;
}

} // namespace tarvik
