#include "windows/UVersionsinfo.h"

#include "base/Uglobal.h"
#include "windows/Fensterhilfe.h"

#include <QLabel>
#include <QPalette>

namespace {
constexpr auto Programmversion = "1.50R19";
constexpr auto Freigabedatum = "15.11.2017";
} // namespace

Versionsinfo Versionsinfo::aktuell() {
    return {hole_Text(51), hole_Text(52),
            hole_Text(53), QString::fromLatin1(Programmversion),
            hole_Text(54), QString::fromLatin1(Freigabedatum)};
}

TForm_Versionsinfo::TForm_Versionsinfo(Kontext&) : TForm(QStringLiteral("Version")) {
    resize(370, 211);
    QPalette silber = palette();
    silber.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silber);
    setAutoFillBackground(true);

    const auto label = [this](int x, int y) {
        auto* l = new QLabel(this);
        l->move(x, y);
        return l;
    };
    Label_Quorvel = label(24, 16);
    Label_Kopf_version = label(24, 120);
    Label_Version = label(120, 120);
    Label_Kopf_Datum = label(24, 144);
    Label_Datum = label(120, 144);
    Form_auf_Bildschirm(*this);
}

void TForm_Versionsinfo::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    FormShow();
}

void TForm_Versionsinfo::FormShow() {
    const Versionsinfo info = Versionsinfo::aktuell();
    setWindowTitle(info.Titel);
    const std::pair<QLabel*, const QString&> zeilen[] = {
        {Label_Quorvel, info.Kopfzeile}, {Label_Kopf_version, info.Kopf_Version},
        {Label_Version, info.Version},   {Label_Kopf_Datum, info.Kopf_Datum},
        {Label_Datum, info.Datum},
    };
    for (const auto& [label, text] : zeilen) {
        label->setText(text);
        label->adjustSize();
    }
}
