#include "ui/mixer/frmGMPag.h"

#include "app/strings/Translation.h"
#include "ui/Twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>

namespace {

constexpr int ListTop = 280;
constexpr int ListWidth = 9460;
constexpr int TitleLeft = 360;
constexpr int TitlePitch = 2344;
constexpr int TitleAbove = 240; // an upper title's top, above the list
constexpr int TitleBelow = 60;  // a lower title's top, below the list
constexpr int RecordsPerPage = 72;
constexpr int NameLength = 23; // the last characters of a program record

QFont arial(double points) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(points);
    return font;
}

} // namespace

int ProgramOfRow(const QString& row) {
    bool ok = false;
    const int n = row.left(3).toInt(&ok);
    return ok && n >= 1 && n <= 128 ? n : 0;
}

frmGMPag::frmGMPag(AppState& state, int kind, QWidget* parent) : ChildWindow(state, kind, parent) {
    buildControls();
}

void frmGMPag::buildControls() {
    Client = makeClient();

    List1 = new QListWidget(Client);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(Language::ofBase(state_.LanguageBase)
                                 .translate("frmGMPag", "GM Page %1")
                                 .arg(PageNumber()));
    // Four columns of 17 rows: the rows run down a column and wrap into the next.
    List1->setFlow(QListView::TopToBottom);
    List1->setWrapping(true);
    List1->setResizeMode(QListView::Adjust);
    List1->setUniformItemSizes(true);
    // Names longer than a column are cut at its edge, not shortened with an ellipsis.
    List1->setTextElideMode(Qt::ElideNone);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });

    QPalette red;
    red.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    for (int k = 1; k <= Titles; ++k) {
        auto* label = new QLabel(Client);
        label->setObjectName(QStringLiteral("Label1_%1").arg(k));
        label->setFont(arial(9));
        label->setPalette(red);
        Label1[k] = label;
    }
}

void frmGMPag::setCaption() {
    QString caption =
        Language::ofBase(state_.LanguageBase).translate("frmGMPag", "GM Page %1").arg(PageNumber());
    if (state_.currentPart() > 0)
        caption += QStringLiteral(" - ") + state_.ResString(17) + QLatin1Char(' ') +
                   QString::number(state_.currentPart());
    setWindowTitle(caption);
}

void frmGMPag::Form_Load() {
    const QFont listFont = arial(10);
    lineHeight_ = twips::fromPixels(QFontMetrics(listFont).height());
    List1->setFont(listFont);
    const int listHeight = RowsPerColumn * lineHeight_ + 80;
    List1->setGeometry(twips::rect(0, ListTop, ListWidth, listHeight));
    // Each column a quarter of the list: the titles stand over the columns at TitlePitch.
    const int viewportWidth = twips::toPixels(ListWidth) - 2 * List1->frameWidth();
    List1->setGridSize(QSize(viewportWidth / 4, QFontMetrics(listFont).height()));

    setCaption();

    const int first = PageNumber() == 1 ? 1 : RecordsPerPage + 1;
    int column = 0;
    for (int k = 1; k <= Titles; ++k) {
        QLabel* label = Label1[k];
        label->setText(state_.GMProgramNames.record(first + 9 * (k - 1)).trimmed());
        label->adjustSize();
        const bool upper = k % 2 == 1;
        const int top = upper ? ListTop - TitleAbove : ListTop + listHeight + TitleBelow;
        label->move(twips::point(TitleLeft + TitlePitch * column, top));
        if (!upper)
            ++column;
    }

    List1->clear();
    for (int j = 1; j <= RecordsPerPage; ++j) {
        const int r = first + j - 1;
        if (j == 1 || j == 19 || j == 37 || j == 55)
            continue; // the title of an upper family: its label stands above the column
        if (j == 10 || j == 28 || j == 46 || j == 64)
            List1->addItem(QString(10, QLatin1Char(' '))); // between the two families
        else
            List1->addItem(state_.GMProgramNames.record(r));
    }
}

void frmGMPag::Form_Activate() {
    // The caption names the part a click will serve.
    if (state_.currentPart() > 0)
        setCaption();
}

void frmGMPag::List1_Click() {
    const QListWidgetItem* item = List1->currentItem();
    const QString s = item != nullptr ? item->text() : QString();
    QString trimmed = s;
    while (!trimmed.isEmpty() && trimmed.back().isSpace())
        trimmed.chop(1);
    if (trimmed.isEmpty())
        return;
    // A line whose number is not a program (an edited names file) is not offered to anyone.
    const int n = ProgramOfRow(s);
    if (n == 0)
        return;

    const int part = state_.currentPart();
    if (part < 1 || part > 16)
        return;
    bool found = false;
    if (state_.IsWindowOpen(WindowKind::VolumeAll)) {
        QString name = s.right(NameLength);
        while (!name.isEmpty() && name.back().isSpace())
            name.chop(1);
        emit programNameShown(part, name);
        found = true;
    }
    if (state_.IsWindowOpen(part)) {
        emit partProgramShown(part, trimmed);
        found = true;
    }
    // With neither window open the click has no effect at all.
    if (!found)
        return;
    auto& column = state_.PartParams.at(part);
    column[PartRow::ProgramFlag] = 1;
    column[PartRow::ProgramNumber] = static_cast<std::uint8_t>(n);
    SendProgramChange(state_.midi, partChannel(column[PartRow::Channel]), n - 1);
}
