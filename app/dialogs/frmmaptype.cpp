#include "app/dialogs/frmmaptype.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace {

// Design-time geometry, in pixels (15 twips per pixel on a 96 dpi screen).
constexpr int Margin = 20;
constexpr int OptionTop = 16;
constexpr int OptionHeight = 24;
constexpr int OptionGap = 8;
constexpr int DesignOptionWidth = 160;
constexpr int ButtonWidth = 90;
constexpr int ButtonHeight = 28;
constexpr int TwipsPerPixel = 15;
constexpr int TwipsPerCharacter = 75;
// The title bar's icon, its buttons (close, and often minimise and maximise) and margins.
constexpr int TitleBarRoom = 160;

// Width of an option button that must carry caption: 75 twips per character, but never so
// narrow that the caption is cut off by the radio indicator and the font actually in use.
int captionWidth(const QRadioButton *button, const QString &caption) {
    const int byCharacters = static_cast<int>(
        std::nearbyint(double(TwipsPerCharacter) * caption.size() / TwipsPerPixel));
    return std::max(byCharacters, button->sizeHint().width());
}

} // namespace

frmMapType::frmMapType(QWidget *parent) : QDialog(parent) {
    setWindowTitle(tr("Map type"));
    setModal(true);
    optThematic = new QRadioButton(tr("Choroplet map"), this);
    optThematic->setObjectName(QStringLiteral("optThematic"));
    optSymbol = new QRadioButton(tr("Symbol map"), this);
    optSymbol->setObjectName(QStringLiteral("optSymbol"));
    cmdOK = new QPushButton(tr("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    optThematic->setChecked(true);

    optThematic->setGeometry(Margin, OptionTop, DesignOptionWidth, OptionHeight);
    optSymbol->setGeometry(Margin, OptionTop + OptionHeight + OptionGap, DesignOptionWidth,
                           OptionHeight);
    layoutControls();
    connect(cmdOK, &QPushButton::clicked, this, &frmMapType::cmdOK_Click);
}

void frmMapType::setCircleMap(bool circleMap) {
    m_circleMap = circleMap;
    (circleMap ? optSymbol : optThematic)->setChecked(true);
}

void frmMapType::ApplyTexts(const QString &caption, const QString &thematic,
                            const QString &symbol) {
    if (!caption.isEmpty())
        setWindowTitle(caption);
    if (!symbol.isEmpty())
        optSymbol->setText(symbol);
    if (!thematic.isEmpty()) {
        optThematic->setText(thematic);
        optThematic->resize(captionWidth(optThematic, thematic), OptionHeight);
        if (!symbol.isEmpty())
            optSymbol->resize(captionWidth(optSymbol, symbol), OptionHeight);
    }
    layoutControls();
}

// Both option buttons take the width of the wider one; the dialog follows it and the OK
// button is centred under them.
void frmMapType::layoutControls() {
    const int width = std::max(optThematic->width(), optSymbol->width());
    optThematic->resize(width, OptionHeight);
    optSymbol->resize(width, OptionHeight);
    // Wide enough for the caption beside the window's icon and buttons in its title bar.
    const int titleWidth = QFontMetrics(font()).horizontalAdvance(windowTitle()) + TitleBarRoom;
    const int dialogWidth =
        std::max({width + 2 * Margin, ButtonWidth + 2 * Margin, titleWidth});
    const int buttonTop = optSymbol->y() + OptionHeight + 2 * OptionGap;
    const int buttonLeft = static_cast<int>(std::nearbyint(dialogWidth / 2.0 - ButtonWidth / 2.0));
    cmdOK->setGeometry(buttonLeft, buttonTop, ButtonWidth, ButtonHeight);
    setFixedSize(dialogWidth, buttonTop + ButtonHeight + Margin);
}

void frmMapType::cmdOK_Click() {
    m_circleMap = optSymbol->isChecked();
    accept();
}

bool frmMapType::Choose(QWidget *parent, bool &circleMap, const QString &caption,
                        const QString &thematic, const QString &symbol) {
    frmMapType dialog(parent);
    if (parent)
        dialog.setWindowIcon(parent->windowIcon());
    dialog.ApplyTexts(caption, thematic, symbol);
    dialog.setCircleMap(circleMap);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    circleMap = dialog.circleMap();
    return true;
}
