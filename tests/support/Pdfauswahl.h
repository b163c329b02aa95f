#pragma once

#include "model/Drucker.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <memory>
#include <optional>

// The print dialog confirmed with one copy, the printout going into a PDF file of
// 200 mm x 287 mm without margins, or of the page size given.
class Pdfauswahl : public Druckauswahl {
public:
    explicit Pdfauswahl(QString pfad) : pfad_(std::move(pfad)) {}
    Pdfauswahl(QString pfad, QPageSize::PageSizeId seite) : pfad_(std::move(pfad)), seite_(seite) {}
    std::optional<int> frage_Kopien(int) override { return 1; }
    QPagedPaintDevice* Geraet() override {
        pdf_ = std::make_unique<QPdfWriter>(pfad_);
        pdf_->setResolution(600);
        if (seite_)
            pdf_->setPageSize(QPageSize(*seite_));
        else
            pdf_->setPageLayout(QPageLayout(QPageSize(QSizeF(200, 287), QPageSize::Millimeter,
                                                      QString(), QPageSize::ExactMatch),
                                            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        return pdf_.get();
    }
    // The text of the file as pdftotext lays it out; empty when that fails.
    QString Text() const {
        QProcess p;
        p.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), pfad_, QStringLiteral("-")});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return {};
        return QString::fromUtf8(p.readAllStandardOutput());
    }

private:
    QString pfad_;
    std::optional<QPageSize::PageSizeId> seite_;
    std::unique_ptr<QPdfWriter> pdf_;
};
