#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QDir>
#include <QTimer>
#include <QtTest>

#include "app/StandardDialogs.h"
#include "common/ui/MessageBoxes.h"

namespace {

// The texts a QFileDialog shows: its labels, then its buttons, each "|"-joined.
QString FileDialogTexts(const QFileDialog& dialog)
{
    QStringList texts;
    for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
        const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
        texts << (label != nullptr ? label->text() : QStringLiteral("?"));
    }
    const auto* box = dialog.findChild<QDialogButtonBox*>();
    for (const QAbstractButton* button :
         box != nullptr ? box->buttons() : QList<QAbstractButton*>()) {
        texts << button->text();
    }
    return texts.join('|');
}

}  // namespace

// Qt's own dialogs speak Korean under any locale once the program has set
// them up; the test runs under the C locale, where Qt would pick no Korean
// translation by itself.
class StandardDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(UseKoreanStandardDialogs(*QCoreApplication::instance()));
    }

    void qtTextsAreKorean_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("korean");
        // The message box and file chooser below show the buttons' and the
        // file dialog's texts; these are the others the program meets.
        const char* const rows[][3] = {
            {"QLineEdit", "&Copy", "복사(&C)"},
            {"QSerialPort", "Custom baud rate is not supported",
             "사용자 정의 속도를 지원하지 않음"},
        };
        for (const auto& [context, source, korean] : rows) {
            QTest::newRow(source) << context << source << QString::fromUtf8(korean);
        }
    }

    void qtTextsAreKorean()
    {
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(QString, korean);
        QCOMPARE(QCoreApplication::translate(qPrintable(context), qPrintable(source)), korean);
    }

    void messageBoxButtonsAreKorean()
    {
        QMessageBox box(QMessageBox::Question, "Talvox Analyzer", "?",
                        QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Ok)->text() + "|" + box.button(QMessageBox::Yes)->text() +
                     "|" + box.button(QMessageBox::No)->text(),
                 QString("확인|예(&Y)|아니요(&N)"));
    }

    // The program's own file chooser, as a user gets it: Qt's dialog (not the
    // desktop's, which would not follow these translations), in Korean.
    void programsFileChooserIsQtsKoreanDialog()
    {
        QCOMPARE(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs), true);
        const struct {
            bool save;
            QString texts;
        } cases[] = {
            {false, "다음에서 찾기:|파일 이름(&N):|파일 형식:|열기(&O)|취소"},
            {true, "다음에서 찾기:|파일 이름(&N):|파일 형식:|저장(&S)|취소"},
        };
        for (const auto& [save, expected] : cases) {
            QString texts;
            QTimer poll;
            connect(&poll, &QTimer::timeout, this, [&] {
                if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                    texts = FileDialogTexts(*dialog);
                    dialog->reject();
                }
            });
            poll.start(10);
            MessageBoxes& boxes = StandardMessageBoxes();
            const QString chosen =
                save ? boxes.SaveFileName(nullptr, "송신 파일 저장", QDir::tempPath(),
                                          "송신 파일 (*.ctd)", "ctd")
                     : boxes.OpenFileName(nullptr, "송신 파일 열기", QDir::tempPath(),
                                          "송신 파일 (*.ctd)", "ctd");
            QCOMPARE(chosen, QString());
            QCOMPARE(texts, expected);
        }
    }
};

QTEST_MAIN(StandardDialogsTest)
#include "tst_StandardDialogs.moc"
