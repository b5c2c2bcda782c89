#include "AboutBox.h"

#include "AppError.h"
#include "Fonts.h"
#include "ProductInfo.h"
#include "Prompts.h"
#include "app/platform/Shell.h"
#include "widgets/XP_Button.h"
#include "widgets/XP_Form.h"

#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>

namespace {

const QColor kFace(0xF8, 0xF6, 0xE6);
const QColor kLink(0, 0, 0xFF);

const char* const kCredits = "Corvane XP\n\n"
                             "Engine, window and pictures:\n"
                             "  the Corvane team\n\n"
                             "Thanks to everyone who sent us\n"
                             "pages that would not shrink.\n\n"
                             "support@corvane.example";

Qt::KeyboardModifiers Held(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
}

} // namespace

AboutBox::AboutBox(TShell& shell, TPrompts& prompts, QWidget* parent)
    : TDialogBase(parent), m_shell(shell), m_prompts(prompts)
{
    auto* frame = new TXP_Form(this);
    frame->setBorderStyle(TXP_Form::bsDialog);
    setFixedSize(491, 354);
    setFont(TFonts::SongTi(12));
    QPalette face = palette();
    face.setColor(QPalette::Window, kFace);
    setPalette(face);
    setAutoFillBackground(true);

    auto* bevel = new QFrame(this);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(16, 40, 176, 301);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setGeometry(17, 41, 176, 301);
    QImageReader picture(QStringLiteral(":/pictures/about.jpg"), "jpeg");
    m_picture->setPixmap(QPixmap::fromImage(picture.read()));
    m_picture->installEventFilter(this);

    m_company = makeLabel({208, 43}, TFonts::SansSerif(19, true), Qt::black, QStringLiteral("company"));
    m_company->installEventFilter(this);
    // Stacked one pixel apart, each above the one before: black over gray over white.
    const QFont titleFont = TFonts::CourierNew(40, true);
    m_titleHighlight = makeLabel({208, 68}, titleFont, Qt::white, QStringLiteral("titleHighlight"));
    m_titleShade = makeLabel({208, 67}, titleFont, Qt::gray, QStringLiteral("titleShade"));
    m_title = makeLabel({208, 66}, titleFont, Qt::black, QStringLiteral("title"));
    m_edition = makeLabel({208, 100}, TFonts::SansSerif(13, true), Qt::black, QStringLiteral("edition"));
    m_version = makeLabel({208, 131}, TFonts::SansSerif(13), Qt::black, QStringLiteral("version"));
    m_releaseDate = makeLabel({208, 152}, TFonts::SansSerif(13), Qt::black, QStringLiteral("releaseDate"));
    m_companyLine = makeLabel({208, 174}, TFonts::SansSerif(13), Qt::black, QStringLiteral("companyLine"));
    QFont underlined = TFonts::SansSerif(11);
    underlined.setUnderline(true);
    m_homePageLink = makeLabel({208, 205}, underlined, kLink, QStringLiteral("homePageLink"));
    m_mailLink = makeLabel({208, 230}, TFonts::SansSerif(11), kLink, QStringLiteral("mailLink"));
    for (QLabel* link : {m_homePageLink, m_mailLink}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    m_credits = new QPlainTextEdit(QString::fromUtf8(kCredits), this);
    m_credits->setObjectName(QStringLiteral("credits"));
    m_credits->setGeometry(24, 48, 153, 281);
    m_credits->setReadOnly(true);
    m_credits->hide();

    TXP_Button* okButton = addButton(QStringLiteral("OK"), {360, 304, 73, 25}, QStringLiteral("okButton"));
    okButton->setDefault(true);
    okButton->setCancel(true);
    connect(okButton, &QAbstractButton::clicked, this, &QDialog::accept);
}

QLabel* AboutBox::makeLabel(const QPoint& place, const QFont& font, const QColor& colour, const QString& name)
{
    auto* label = new QLabel(this);
    label->setObjectName(name);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(place);
    return label;
}

void AboutBox::fill(const TProductInfo& product)
{
    setWindowTitle(product.aboutCaption);
    const QList<QPair<QLabel*, QString>> texts{
        {m_company, product.company},
        {m_titleHighlight, product.title},
        {m_titleShade, product.title},
        {m_title, product.title},
        {m_version, product.version},
        {m_edition, product.edition},
        {m_releaseDate, product.releaseDate},
        {m_companyLine, product.companyLine},
        {m_homePageLink, QStringLiteral("http://") + product.homePage},
        {m_mailLink, QStringLiteral("E-Mail:") + product.supportMail},
    };
    for (const auto& [label, text] : texts) {
        label->setText(text);
        label->adjustSize();
    }
    m_supportMail = product.supportMail;
}

void AboutBox::openHomePage()
{
    const std::optional<QString> command = m_shell.WebBrowserCommandLine(m_homePageLink->text());
    if (!command)
        return;
    if (!m_shell.StartCommand(*command))
        throw EAppError(QStringLiteral("不能载入默认的浏览器"));
}

void AboutBox::writeMail()
{
    m_shell.OpenUrl(QUrl(QStringLiteral("mailto:") + m_supportMail));
}

void AboutBox::onPicturePressed(const QPoint& at, Qt::KeyboardModifiers modifiers)
{
    const bool first = m_gesture == Gesture::CompanyClicked && pressRect().contains(at) &&
                       Held(modifiers) == gestureModifiers();
    m_gesture = first ? Gesture::CornerPressed : Gesture::Idle;
}

void AboutBox::onPictureReleased(const QPoint& at, Qt::KeyboardModifiers modifiers)
{
    if (m_gesture == Gesture::CornerPressed && releaseRect().contains(at) &&
        Held(modifiers) == gestureModifiers())
        m_credits->show();
    else
        m_gesture = Gesture::Idle;
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return TDialogBase::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    m_prompts.Guard(this, [&] {
        if (watched == m_picture) {
            if (type == QEvent::MouseButtonPress)
                onPicturePressed(at, mouse->modifiers());
            else
                onPictureReleased(at, mouse->modifiers());
            return;
        }
        // The labels act on a click: a left-button release over the label that was pressed.
        if (type != QEvent::MouseButtonRelease || mouse->button() != Qt::LeftButton ||
            !static_cast<QWidget*>(watched)->rect().contains(at))
            return;
        if (watched == m_company)
            m_gesture = Gesture::CompanyClicked;
        else if (watched == m_homePageLink)
            openHomePage();
        else if (watched == m_mailLink)
            writeMail();
    });
    return false;
}
