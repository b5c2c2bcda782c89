#include "UnitAbout.h"

#include "AppError.h"
#include "Fonts.h"
#include "ProductInfo.h"
#include "Prompts.h"
#include "Shell.h"
#include "XP_Form.h"

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

TAbout::TAbout(TShell& shell, TPrompts& prompts, QWidget* parent)
    : TDialogBase(parent), m_shell(shell), m_prompts(prompts)
{
    XP_Form1 = new TXP_Form(this);
    XP_Form1->setBorderStyle(TXP_Form::bsDialog);
    setFixedSize(491, 354);
    setFont(TFonts::SongTi(12));
    QPalette face = palette();
    face.setColor(QPalette::Window, kFace);
    setPalette(face);
    setAutoFillBackground(true);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(16, 40, 176, 301);
    Image1 = new QLabel(this);
    Image1->setGeometry(17, 41, 176, 301);
    QImageReader picture(QStringLiteral(":/pictures/about.jpg"), "jpeg");
    Image1->setPixmap(QPixmap::fromImage(picture.read()));
    Image1->installEventFilter(this);

    Company = MakeLabel({208, 43, 0, 0}, TFonts::SansSerif(19, true), Qt::black);
    Company->installEventFilter(this);
    // Stacked one pixel apart, each above the one before: black over gray over white.
    ProductName1 = MakeLabel({208, 68, 0, 0}, TFonts::CourierNew(40, true), Qt::white);
    ProductName3 = MakeLabel({208, 67, 0, 0}, TFonts::CourierNew(40, true), Qt::gray);
    ProductName2 = MakeLabel({208, 66, 0, 0}, TFonts::CourierNew(40, true), Qt::black);
    VersionSM = MakeLabel({208, 100, 0, 0}, TFonts::SansSerif(13, true), Qt::black);
    Version = MakeLabel({208, 131, 0, 0}, TFonts::SansSerif(13), Qt::black);
    DateLabel = MakeLabel({208, 152, 0, 0}, TFonts::SansSerif(13), Qt::black);
    CompanyLineLabel = MakeLabel({208, 174, 0, 0}, TFonts::SansSerif(13), Qt::black);
    QFont underlined = TFonts::SansSerif(11);
    underlined.setUnderline(true);
    URL = MakeLabel({208, 205, 0, 0}, underlined, kLink);
    EMAIL = MakeLabel({208, 230, 0, 0}, TFonts::SansSerif(11), kLink);
    for (QLabel* link : {URL, EMAIL}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    Memo1 = new QPlainTextEdit(QString::fromUtf8(kCredits), this);
    Memo1->setGeometry(24, 48, 153, 281);
    Memo1->setReadOnly(true);
    Memo1->hide();

    XP_Button1 = new TXP_Button(this);
    XP_Button1->setCaption(QStringLiteral("OK"));
    XP_Button1->setGeometry({360, 304, 73, 25});
    XP_Button1->setDefault(true);
    XP_Button1->setCancel(true);
    connect(XP_Button1, &QAbstractButton::clicked, this, &TAbout::XP_Button1Click);
}

QLabel* TAbout::MakeLabel(const QRect& formPlace, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(this);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(formPlace.topLeft());
    return label;
}

void TAbout::Fill(const TProductInfo& product)
{
    setWindowTitle(product.aboutCaption);
    const QList<QPair<QLabel*, QString>> texts{
        {Company, product.company},
        {ProductName1, product.title},
        {ProductName3, product.title},
        {ProductName2, product.title},
        {Version, product.version},
        {VersionSM, product.edition},
        {DateLabel, product.releaseDate},
        {CompanyLineLabel, product.companyLine},
        {URL, QStringLiteral("http://") + product.homePage},
        {EMAIL, QStringLiteral("E-Mail:") + product.supportMail},
    };
    for (const auto& [label, text] : texts) {
        label->setText(text);
        label->adjustSize();
    }
    m_supportMail = product.supportMail;
}

void TAbout::URLClick()
{
    const std::optional<QString> command = m_shell.WebBrowserCommandLine(URL->text());
    if (!command)
        return;
    if (!m_shell.StartCommand(*command))
        throw EAppError(QStringLiteral("不能载入默认的浏览器"));
}

void TAbout::EMAILClick()
{
    m_shell.OpenUrl(QUrl(QStringLiteral("mailto:") + m_supportMail));
}

void TAbout::CompanyTopClick()
{
    m_gesture = 1;
}

void TAbout::Image1MouseDown(const QPoint& at, Qt::KeyboardModifiers modifiers)
{
    const bool first = m_gesture == 1 && PressRect().contains(at) && Held(modifiers) == GestureModifiers();
    m_gesture = first ? 2 : 0;
}

void TAbout::Image1MouseUp(const QPoint& at, Qt::KeyboardModifiers modifiers)
{
    if (m_gesture == 2 && ReleaseRect().contains(at) && Held(modifiers) == GestureModifiers())
        Memo1->show();
    else
        m_gesture = 0;
}

void TAbout::XP_Button1Click()
{
    accept();
}

bool TAbout::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return TDialogBase::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    m_prompts.Guard(this, [&] {
        if (watched == Image1) {
            if (type == QEvent::MouseButtonPress)
                Image1MouseDown(at, mouse->modifiers());
            else
                Image1MouseUp(at, mouse->modifiers());
            return;
        }
        // The labels act on a click: a left-button release over the label that was pressed.
        if (type != QEvent::MouseButtonRelease || mouse->button() != Qt::LeftButton ||
            !static_cast<QWidget*>(watched)->rect().contains(at))
            return;
        if (watched == Company)
            CompanyTopClick();
        else if (watched == URL)
            URLClick();
        else if (watched == EMAIL)
            EMAILClick();
    });
    return false;
}
