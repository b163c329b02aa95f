#include "windows/UDateiversion.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "windows/Kontext.h"
#include "windows/Modal.h"
#include "windows/UColorButton.h"
#include "windows/UMotorname.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

TForm_Dateiversion::TForm_Dateiversion(Kontext& kontext)
    : TForm(QStringLiteral("select version")), k(kontext) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setGeometry(100, 100, 250, 490);
    setFixedSize(250, 490);
    QPalette silber = palette();
    silber.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silber);
    setAutoFillBackground(true);
    QFont schrift = font();
    schrift.setPointSize(12);
    setFont(schrift);
    setWindowTitle(hole_Text(321));

    Label_Beschriftung = new QLabel(this);
    Label_Beschriftung->move(2, 4);
    Label_Name = new QLabel(this);
    Button_Menue = new TColorButton(this);
    QFont knopf = Button_Menue->font();
    knopf.setPointSize(11);
    Button_Menue->setFont(knopf);
    ListBox = new QListWidget(this);
    ListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox->setGeometry(0, 50, width(), height() - 50);

    Menue = new QMenu(this);
    Eintrag_auswaehlen = Menue->addAction(QString(), this, [this] { Version_auswaehlen(); });
    Eintrag_Motorname = Menue->addAction(QString(), this, [this] { Motorname_waehlen(); });
    Menue->addSeparator();
    Eintrag_loeschen = Menue->addAction(QString(), this, [this] { Versionen_loeschen(); });
    Eintrag_nummerieren =
        Menue->addAction(QString(), this, [this] { Versionen_neu_nummerieren(); });

    // A click counts also when it leaves the selection as it was (the pre-marked line).
    connect(ListBox, &QListWidget::itemSelectionChanged, this, [this] { ListBoxClick(); });
    connect(ListBox, &QListWidget::itemClicked, this, [this] { ListBoxClick(); });
    connect(ListBox, &QListWidget::itemDoubleClicked, this, [this] { Version_auswaehlen(); });
    connect(Button_Menue, &QPushButton::clicked, this,
            [this] { Menue->popup(Button_Menue->mapToGlobal(QPoint(0, Button_Menue->height()))); });

    k.dateiversion().setze_Versionswahl(this);
}

TForm_Dateiversion::~TForm_Dateiversion() {
    k.dateiversion().setze_Versionswahl(nullptr);
}

cl_Dateiversion& TForm_Dateiversion::dienst() {
    return k.dateiversion();
}

void TForm_Dateiversion::contextMenuEvent(QContextMenuEvent* event) {
    Menue->popup(event->globalPos());
}

int TForm_Dateiversion::waehle_Version(cl_Dateiversion&) {
    // FormShow.
    Label_Beschriftung->setText(dienst().Beschriftung);
    Label_Beschriftung->adjustSize();
    Label_Name->move(2, 4 + Label_Beschriftung->height() + 5);
    Eintrag_auswaehlen->setEnabled(false);
    Eintrag_loeschen->setEnabled(false);
    Button_Menue->setText(hole_Text(256));
    const QFontMetrics fm(Button_Menue->font());
    const int breite = fm.horizontalAdvance(Button_Menue->text()) + 10;
    Button_Menue->setGeometry(width() - breite - 5, fm.height() + 8, breite, fm.height());
    Eintrag_auswaehlen->setText(hole_Text(46));
    Eintrag_Motorname->setText(hole_Text(101));
    Eintrag_loeschen->setText(hole_Text(72));
    Eintrag_nummerieren->setText(hole_Text(47));
    Label_Name->setText(dienst().Basisname());
    Label_Name->adjustSize();
    ListBox->clear();
    if (!dienst().Basisname().isEmpty())
        fuelle_Liste();
    else
        Motorname_waehlen();
    gewaehlter_Eintrag = -1;
    gewaehlte_Version = -1;
    if (ListBox->count() == 0)
        return -1;
    zeige_modal(*this);
    return gewaehlte_Version;
}

void TForm_Dateiversion::fuelle_Liste() {
    ListBox->clear();
    ListBox->addItems(dienst().Listenzeilen());
    // The newest version is current and marked, ten lines below the top.
    int aktuell = -1;
    for (int i = 0; i < ListBox->count(); ++i)
        if (ist_Version(ListBox->item(i)->text()))
            aktuell = i;
    if (aktuell >= 0) {
        ListBox->setCurrentRow(aktuell);
        ListBox->scrollToItem(ListBox->item(std::max(0, aktuell - 10)),
                              QAbstractItemView::PositionAtTop);
    }
    // What was selected is gone: nothing counts as chosen until the user clicks.
    gewaehlter_Eintrag = -1;
    Eintrag_auswaehlen->setEnabled(false);
    Eintrag_loeschen->setEnabled(false);
}

void TForm_Dateiversion::folge_Namen() {
    if (Label_Name->text() == dienst().Basisname())
        return;
    Label_Name->setText(dienst().Basisname());
    Label_Name->adjustSize();
    fuelle_Liste();
}

void TForm_Dateiversion::ListBoxClick() {
    int zaehlend = 0;
    int index = -1;
    for (int i = 0; i < ListBox->count(); ++i) {
        const QListWidgetItem* zeile = ListBox->item(i);
        if (!zeile->isSelected())
            continue;
        if (dienst().Speichermodus == 1 || ist_Version(zeile->text())) {
            ++zaehlend;
            index = i;
        }
    }
    gewaehlter_Eintrag = zaehlend == 1 ? index + 1 : -1;
    Eintrag_auswaehlen->setEnabled(zaehlend == 1);
    Eintrag_loeschen->setEnabled(zaehlend >= 1);
}

void TForm_Dateiversion::Version_auswaehlen() {
    if (gewaehlter_Eintrag < 1 || gewaehlter_Eintrag > ListBox->count()) {
        gewaehlte_Version = -1;
        hide();
        return;
    }
    const QString zeile = ListBox->item(gewaehlter_Eintrag - 1)->text();
    bool ok = false;
    int version = zeile.left(2).toInt(&ok);
    if (!ok || version > 99)
        version = -1;
    // A 00 file is listed to be deleted or renumbered, never to be loaded or overwritten.
    if (version == 0) {
        gewaehlte_Version = -1;
        return;
    }
    if (dienst().Speichermodus == 1 && version >= 0 && ist_Version(zeile) &&
        !k.meldungen().frage_Ja_Nein(hole_Text(323))) {
        gewaehlte_Version = -1;
        return;
    }
    gewaehlte_Version = version;
    hide();
}

void TForm_Dateiversion::Versionen_loeschen() {
    const QListWidgetItem* aktuell = ListBox->currentItem();
    if (ListBox->count() == 0 || !aktuell || !aktuell->isSelected())
        return;
    if (!k.meldungen().frage_Ja_Nein(hole_Text(323)))
        return;
    std::vector<int> nummern;
    for (const QListWidgetItem* zeile : ListBox->selectedItems())
        if (ist_Version(zeile->text()))
            nummern.push_back(zeile->text().left(2).toInt());
    dienst().Versionen_loeschen(nummern);
    fuelle_Liste();
}

void TForm_Dateiversion::Versionen_neu_nummerieren() {
    if (ListBox->count() == 0)
        return;
    dienst().Versionen_neu_nummerieren();
    fuelle_Liste();
}

void TForm_Dateiversion::Motorname_waehlen() {
    if (auto* fenster = k.fenster<TForm_Motorname>())
        fenster->waehlen();
    folge_Namen();
}
