#include "Fixture.h"
#include "ModalHelper.h"

#include "document/ZELView.h"
#include "host/core.h"
#include "host/extsys.h"

#include <QApplication>
#include <QFile>
#include <QTest>

namespace TestSupport {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool loadPlugin()
{
    QString error;
    const bool loaded = ExtSys::PluginManager::instance()->loadPlugin(
        QStringLiteral(VEP_PLUGIN_DIR "/libZELSettingPlugin.so"), &error);
    if (!loaded)
        QTest::qFail(qPrintable(error), __FILE__, __LINE__);
    return loaded;
}

void closeAllViews()
{
    Core::ViewManager *host = Core::ViewManager::instance();
    const QList<Core::IView *> views = host->views();
    for (Core::IView *view : views) {
        if (auto *zelView = qobject_cast<ZEL::ZELView *>(view))
            zelView->setModified(false);
        host->closeView(view);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void cleanupViewsAndModals()
{
    const bool stray = QApplication::activeModalWidget() != nullptr;
    ModalHelper::cancelPending();
    ModalHelper::closeStrayModals();
    closeAllViews();
    if (stray)
        QTest::qFail("a modal widget was left open", __FILE__, __LINE__);
}

} // namespace TestSupport
