#pragma once

// Widgets and file dialogs of the IDE shared by plug-ins.

#include "host/hostglobal.h"

#include <QFileDialog>
#include <QTableView>

namespace Utils {

class VEPHOST_EXPORT TableView : public QTableView {
    Q_OBJECT
public:
    explicit TableView(QWidget *parent = nullptr);
};

class VEPHOST_EXPORT FileUtils {
public:
    // A modal QFileDialog, never a native one, so that tests can answer it.
    static QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                   const QString &filter, QString *selectedFilter = nullptr,
                                   QFileDialog::Options options = {});
};

} // namespace Utils
