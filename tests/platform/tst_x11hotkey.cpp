#include "platform/linux/X11HotKey.h"
#include "XvfbServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

using namespace zelkor;

namespace {
void press(const QString& keys)
{
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

xcb_connection_t* qtConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Another X client that wants Ctrl+Alt+H for itself.
class OtherClient {
public:
    OtherClient() : m_c(xcb_connect(nullptr, nullptr)) {}
    ~OtherClient() { xcb_disconnect(m_c); }
    // True when the server gave it the key.
    bool grab(xcb_keycode_t code)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        xcb_generic_error_t* error = xcb_request_check(
            m_c, xcb_grab_key_checked(m_c, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, code,
                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t* m_c = nullptr;
};

// The key that carries the letter h on this server's keyboard.
xcb_keycode_t keycodeOfH()
{
    xcb_connection_t* c = qtConnection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr);
    xcb_keycode_t found = 0;
    if (map) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        for (int k = 0; k < count && !found; ++k)
            if (syms[k * map->keysyms_per_keycode] == 'h')
                found = xcb_keycode_t(setup->min_keycode + k);
        std::free(map);
    }
    return found;
}
} // namespace

class TestX11HotKey : public QObject {
    Q_OBJECT
private slots:
    void exactlyCtrlAltH()
    {
        X11HotKey key(qtConnection());
        QSignalSpy spy(&key, &GlobalHotKey::activated);
        QVERIFY(key.registerKey());
        QVERIFY(key.isRegistered());
        press(QStringLiteral("ctrl+alt+h"));
        QVERIFY(spy.wait(3000));
        QCOMPARE(spy.count(), 1);

        press(QStringLiteral("ctrl+alt+shift+h"));
        press(QStringLiteral("ctrl+h"));
        press(QStringLiteral("alt+h"));
        QVERIFY(!spy.wait(500));
        QCOMPARE(spy.count(), 1);
    }

    void whateverTheLocks_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::newRow("Num Lock") << QStringLiteral("Num_Lock");
        QTest::newRow("Caps Lock") << QStringLiteral("Caps_Lock");
    }
    void whateverTheLocks()
    {
        QFETCH(QString, lock);
        X11HotKey key(qtConnection());
        QSignalSpy spy(&key, &GlobalHotKey::activated);
        QVERIFY(key.registerKey());
        press(lock); // on
        press(QStringLiteral("ctrl+alt+h"));
        const bool seen = spy.wait(3000);
        press(lock); // off again
        QVERIFY(seen);
    }

    // Another keyboard layout puts H on another key: the key with H on it
    // works, the one that had it does no more.
    void followsAnotherLayout_data()
    {
        QTest::addColumn<QStringList>("layout"); // setxkbmap's arguments
        QTest::addColumn<QString>("oldKeyNow");  // what the key that had H carries in it
        QTest::newRow("Dvorak") << QStringList{"-layout", "us", "-variant", "dvorak"} << "d";
        QTest::newRow("BEPO") << QStringList{"-layout", "fr", "-variant", "bepo"} << "c";
    }
    void followsAnotherLayout()
    {
        QFETCH(QStringList, layout);
        QFETCH(QString, oldKeyNow);
        X11HotKey key(qtConnection());
        QSignalSpy spy(&key, &GlobalHotKey::activated);
        QVERIFY(key.registerKey());
        QCOMPARE(QProcess::execute(QStringLiteral("setxkbmap"), layout), 0);
        QTest::qWait(300); // the new map reaches the program
        press(QStringLiteral("ctrl+alt+") + oldKeyNow);
        QVERIFY(!spy.wait(500));
        press(QStringLiteral("ctrl+alt+h"));
        const bool seen = spy.wait(3000);
        QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QStringLiteral("us")});
        QTest::qWait(300);
        QVERIFY(seen);
        QVERIFY(key.isRegistered());
    }

    void heldByAnotherProgramRunsWithout()
    {
        const xcb_keycode_t code = keycodeOfH();
        QVERIFY(code != 0);
        {
            OtherClient other;
            QVERIFY(other.grab(code));
            X11HotKey key(qtConnection());
            QVERIFY(!key.registerKey());
            QVERIFY(!key.isRegistered());
        }
        xcb_flush(qtConnection());
        X11HotKey key(qtConnection());
        QVERIFY(key.registerKey());
    }

    void releasedKeyIsFreeForOthers()
    {
        const xcb_keycode_t code = keycodeOfH();
        QVERIFY(code != 0);
        X11HotKey key(qtConnection());
        QVERIFY(key.registerKey());
        {
            OtherClient other;
            QVERIFY(!other.grab(code));
        }
        key.unregisterKey();
        QVERIFY(!key.isRegistered());
        OtherClient other;
        QVERIFY(other.grab(code));
    }
};

int main(int argc, char** argv)
{
    test::XvfbServer server;
    QString problem;
    if (!server.start(&problem)) {
        qCritical("%s", qPrintable(problem));
        return 1;
    }
    qputenv("DISPLAY", server.display().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TestX11HotKey test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11hotkey.moc"
