#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

// Switches the program's debug log on while it lives and keeps each line as
// "category: message", as QT_LOGGING_RULES="quorvel.*=true" would show it.
class Logmitschnitt {
public:
    Logmitschnitt() {
        aktiv_ = this;
        QLoggingCategory::setFilterRules(QStringLiteral("quorvel.*.debug=true"));
        vorher_ = qInstallMessageHandler(&Logmitschnitt::nimm);
    }
    ~Logmitschnitt() {
        qInstallMessageHandler(vorher_);
        QLoggingCategory::setFilterRules(QString());
        aktiv_ = nullptr;
    }
    Logmitschnitt(const Logmitschnitt&) = delete;
    Logmitschnitt& operator=(const Logmitschnitt&) = delete;

    // The lines of one category.
    QStringList Zeilen(const QString& kategorie) const {
        QStringList z;
        for (const QString& l : zeilen_)
            if (l.startsWith(kategorie + QStringLiteral(": ")))
                z << l;
        return z;
    }

private:
    static void nimm(QtMsgType, const QMessageLogContext& kontext, const QString& text) {
        if (aktiv_)
            aktiv_->zeilen_ << QString::fromLatin1(kontext.category) + QStringLiteral(": ") + text;
    }

    static inline Logmitschnitt* aktiv_ = nullptr;
    QtMessageHandler vorher_ = nullptr;
    QStringList zeilen_;
};
