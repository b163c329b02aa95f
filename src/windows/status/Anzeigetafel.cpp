#include "windows/status/Anzeigetafel.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

void richte_Raster_ein(QTableWidget& g) {
    g.setEditTriggers(QAbstractItemView::NoEditTriggers);
    g.verticalHeader()->hide();
    g.horizontalHeader()->hide();
    QFont f = g.font();
    f.setPixelSize(11);
    g.setFont(f);
    g.verticalHeader()->setMinimumSectionSize(16);
    g.verticalHeader()->setDefaultSectionSize(20);
    g.setTextElideMode(Qt::ElideNone);
    g.setWordWrap(false);
}

QLabel* Wertetafel::Zeile(QWidget* eltern, const QString& name, const QString& kopf, int x, int y,
                          int kopfbreite, int wertbreite, const QString& einheit) {
    if (!kopf.isEmpty()) {
        auto* k = new QLabel(kopf, eltern);
        k->setObjectName(QStringLiteral("Label_Kopf_") + name.mid(6));
        k->setGeometry(x, y, kopfbreite, 17);
    }
    auto* w = new QLabel(eltern);
    w->setObjectName(name);
    w->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    w->setGeometry(x + kopfbreite, y, wertbreite, 17);
    if (!einheit.isEmpty()) {
        auto* e = new QLabel(einheit, eltern);
        e->setObjectName(QStringLiteral("Label_Einheit_") + name.mid(6));
        e->setGeometry(x + kopfbreite + wertbreite + 6, y, 40, 17);
    }
    labels_[name] = w;
    return w;
}

QLabel* Wertetafel::Label(const QString& name) const {
    const auto it = labels_.find(name);
    return it == labels_.end() ? nullptr : it->second;
}

void Wertetafel::setze(const Anzeigewerte& werte) const {
    for (const auto& [name, text] : werte)
        if (QLabel* l = Label(name); l && l->text() != text)
            l->setText(text);
}
