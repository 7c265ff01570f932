#pragma once

// View framework of the IDE: editor views, the view area, actions routed by
// context, new-file wizards and the open project.

#include "host/hostglobal.h"

#include <QIcon>
#include <QObject>
#include <QWidget>

#include <functional>

class QAction;
class QTabWidget;

namespace Core {

class VEPHOST_EXPORT IView : public QWidget {
    Q_OBJECT
public:
    explicit IView(QWidget *parent = nullptr);
    ~IView() override;

    void setShortTitle(const QString &title);
    QString shortTitle() const;

    virtual void onActivated();
    virtual void onDeactivated();

signals:
    void shortTitleChanged(const QString &title);

private:
    QString m_shortTitle;
};

class ViewManagerPrivate;

class VEPHOST_EXPORT ViewManager : public QObject {
    Q_OBJECT
public:
    static ViewManager *instance();

    void showView(IView *view);
    bool closeView(IView *view);
    void registerContext(QWidget *widget, const QString &context, bool);
    QWidget *dialogParent() const;

    // host side
    void setDialogParent(QWidget *w);
    QTabWidget *viewArea() const;
    IView *currentView() const;
    QList<IView *> views() const;
    QString contextOf(const QWidget *widget) const;

signals:
    void viewActiveted(Core::IView *view);
    void viewClosed(Core::IView *view);

private:
    explicit ViewManager(QObject *parent = nullptr);
    ~ViewManager() override;
    void updateCurrent();
    ViewManagerPrivate *d;
};

class VEPHOST_EXPORT Command {
public:
    virtual ~Command();
    virtual QString id() const = 0;
    virtual QAction *action() const = 0;
};

class VEPHOST_EXPORT ActionManager {
public:
    static Command *registerAction(QAction *action, const QString &id, const QString &context);
    // host side: the IDE's global command for id, a proxy that follows the current view's context
    static QAction *command(const QString &id);
    // host side: `guard` is asked each time the command is about to trigger its action and
    // may cancel it by returning false; it lives as long as `owner`. One guard per command.
    static void setCommandGuard(const QString &id, QObject *owner, std::function<bool()> guard);
};

class VEPHOST_EXPORT IWizardFactory : public QObject {
    Q_OBJECT
public:
    IWizardFactory();
    ~IWizardFactory() override;

    virtual QString id() const = 0;
    virtual QString displayName() const = 0;
    virtual QString description() const = 0;
    virtual QIcon icon() const;
    virtual void run(QWidget *parent, const QString &path) = 0;
};

class VEPHOST_EXPORT IFileWizardFactory : public IWizardFactory {
    Q_OBJECT
public:
    IFileWizardFactory();
    ~IFileWizardFactory() override;
};

class VEPHOST_EXPORT IProject : public QObject {
    Q_OBJECT
public:
    explicit IProject(QObject *parent = nullptr);
    ~IProject() override;
    virtual bool addFile(const QString &filePath) = 0;
};

class VEPHOST_EXPORT ProjectManager {
public:
    static IProject *currentProject();
    static void setCurrentProject(IProject *project);
};

} // namespace Core
