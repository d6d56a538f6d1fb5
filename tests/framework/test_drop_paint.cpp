// Dropped files in drop order at full length, and the minimized drawing of the icon.
#include <QImage>
#include <QLabel>
#include <QPainter>

#include "test_fixture.h"

TEST_F(DialogTest, DropsAreRefusedUntilTheDialogAcceptsFiles) {
    EXPECT_FALSE(AfxQtDropFiles(&dlg, {"/tmp/a.pem"}));
    EXPECT_TRUE(dlg.dropped.empty());
}

TEST_F(DialogTest, DroppedFilesArriveInDropOrderAtFullLength) {
    dlg.DragAcceptFiles(TRUE);
    const std::string longPath = "/tmp/" + std::string(150, 'd') + "/" + std::string(150, 'f') + ".pem";
    ASSERT_GT(longPath.size(), 259u);
    const std::vector<std::string> paths = {"/tmp/z.pem", longPath, "/tmp/\xC3\xBC ber.der", "/tmp/a.pem"};
    EXPECT_TRUE(AfxQtDropFiles(&dlg, paths));
    EXPECT_EQ(dlg.dropped, paths);
    // The classic 260-byte buffer cuts; that is why the whole-path accessor exists.
    ASSERT_EQ(dlg.droppedBuffer.size(), paths.size());
    EXPECT_EQ(dlg.droppedBuffer[1], longPath.substr(0, 259));
    EXPECT_EQ(dlg.droppedBuffer[0], paths[0]);
}

TEST(IconPosition, CentresAndTruncatesTowardZero) {
    const struct {
        int client, icon, offset;
    } cases[] = {{30, 32, 0}, {31, 32, 0}, {33, 32, 1}, {100, 32, 34}, {0, 32, -15}, {32, 32, 0}};
    for (const auto& c : cases) EXPECT_EQ(IconOffset(c.client, c.icon), c.offset) << c.client;
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
}

TEST_F(DialogTest, PaintDrawsTheIconOnlyWhileMinimized) {
    AfxQtDrawIconLog().clear();
    dlg.SendMessage(WM_PAINT);
    EXPECT_TRUE(AfxQtDrawIconLog().empty());

    Window()->show();
    Window()->setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(dlg.IsIconic());
    dlg.SendMessage(WM_PAINT);
    ASSERT_EQ(AfxQtDrawIconLog().size(), 1u);
    CRect client;
    dlg.GetClientRect(&client);
    EXPECT_EQ(AfxQtDrawIconLog()[0].x, IconOffset(client.Width(), 32));
    EXPECT_EQ(AfxQtDrawIconLog()[0].y, IconOffset(client.Height(), 32));
    EXPECT_EQ(AfxQtDrawIconLog()[0].icon, dlg.m_hIcon);

    // Through a real paint of the client area the icon's pixels land where it was drawn.
    QWidget* area = AfxQtClientArea(&dlg);
    QImage image(area->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    area->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);  // minimized: no controls
    const QPoint inside(IconOffset(area->width(), 32) + 16, IconOffset(area->height(), 32) + 16);
    EXPECT_EQ(image.pixel(inside), 0xFF000080u);
    Window()->setWindowState(Qt::WindowNoState);
}

TEST_F(DialogTest, IconsSetOnTheWindowAndQueriedBack) {
    HICON icon = AfxLoadIcon(IDI_TEST);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(dlg.SetIcon(icon, TRUE), nullptr);
    EXPECT_EQ(dlg.GetIcon(TRUE), icon);
    EXPECT_FALSE(Window()->windowIcon().isNull());
    EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_QUERYDRAGICON)), dlg.m_hIcon);
    EXPECT_EQ(AfxQtIconImage(icon, 16).size(), QSize(16, 16));
    EXPECT_EQ(AfxLoadIcon(4242), nullptr);
}

TEST(IconStatics, ShowTheRegisteredIconAtItsStandardSize) {
    RegisterTestResources();
    CDialog box(IDD_TEST_BOX);
    ASSERT_TRUE(box.Create());
    CWnd* icon = box.GetDlgItem(-1);
    ASSERT_NE(icon, nullptr);
    auto* label = qobject_cast<QLabel*>(AfxQtWidget(icon));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(label->size(), QSize(32, 32));
}
