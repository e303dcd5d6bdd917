// An XEmbed tray is followed by what it announces on the display: its coming
// (the MANAGER message of a new owner of the tray selection) and its going
// (the owner's window destroyed); nothing else wakes the watch.
#include "platform/TrayHostProbe.h"
#include "OwnXServer.h"

#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

using namespace zelkor;

namespace {
// A stand-in tray: another client that takes a tray selection and says so.
class FakeTray {
public:
    FakeTray() : m_c(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~FakeTray() { xcb_disconnect(m_c); }

    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    // Takes the selection and announces it as a tray does.
    void appear(const char* selectionName)
    {
        m_window = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t selection = atom(selectionName);
        xcb_set_selection_owner(m_c, m_window, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = m_root;
        message.type = atom("MANAGER");
        message.data.data32[0] = XCB_CURRENT_TIME;
        message.data.data32[1] = selection;
        message.data.data32[2] = m_window;
        xcb_send_event(m_c, 0, m_root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&message));
        xcb_flush(m_c);
    }
    void vanish()
    {
        xcb_destroy_window(m_c, m_window);
        xcb_flush(m_c);
    }

private:
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = 0;
    xcb_window_t m_window = 0;
};
} // namespace

class TestTrayWatch : public QObject {
    Q_OBJECT
public:
    TestTrayWatch(const QString&, const QString& problem) : m_problem(problem) {}

private:
    QString m_problem; // what kept the X server from starting

private slots:
    void followsTheTrayOfThisScreen()
    {
        QVERIFY2(m_problem.isEmpty(), qPrintable(m_problem));
        trayhost::XEmbedTrayWatch watch;
        QVERIFY(watch.isWatching());
        QSignalSpy changed(&watch, &trayhost::XEmbedTrayWatch::changed);
        QVERIFY(!trayhost::xembedTrayPresent());

        FakeTray other; // a tray of another screen is none of ours
        other.appear("_NET_SYSTEM_TRAY_S1");
        QTest::qWait(300);
        QCOMPARE(changed.count(), 0);

        FakeTray tray;
        tray.appear("_NET_SYSTEM_TRAY_S0");
        QTRY_COMPARE(changed.count(), 1);
        QVERIFY(trayhost::xembedTrayPresent());

        tray.vanish();
        QTRY_COMPARE(changed.count(), 2);
        QVERIFY(!trayhost::xembedTrayPresent());

        FakeTray again; // a tray that comes back is seen again
        again.appear("_NET_SYSTEM_TRAY_S0");
        QTRY_COMPARE(changed.count(), 3);
        QTest::qWait(300);
        QCOMPARE(changed.count(), 3); // and nothing else wakes the watch
    }
};

int main(int argc, char** argv) { return test::execOnOwnXServer<TestTrayWatch>(argc, argv); }

#include "tst_traywatch.moc"
