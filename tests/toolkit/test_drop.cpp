// Files dropped onto a form, and work run with TProgress.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "tests/toolkit/TestForm.h"
#include "toolkit/Progress.h"

namespace {

using namespace zktest;

const std::vector<std::string> kFiles = {"/tmp/um caso.dad", "/tmp/dois.dad"};

TEST(Drop, WithoutAHandlerNothingChanges) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  EXPECT_EQ(DropFiles(form.ClientArea(), kFiles), Qt::IgnoreAction);
  // An edit still takes the dragged text, as before.
  form.log.clear();
  EXPECT_NE(DropFiles(form.Line("Word"), kFiles), Qt::IgnoreAction);
  EXPECT_NE(form.Edit("Word")->Text().find("dois.dad"), std::string::npos);
  EXPECT_EQ(form.log.size(), 1u);
}

TEST(Drop, FilesGoToTheFormAfterTheDropWhereverTheyLand) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  std::vector<std::vector<std::string>> calls;
  std::vector<TObject*> senders;
  form.OnDropFiles = [&](TObject* sender, const std::vector<std::string>& paths) {
    calls.push_back(paths);
    senders.push_back(sender);
  };
  QWidget* targets[] = {form.Line("Word"), form.Memo("List")->Widget(), form.Button("Save")->Widget(),
                        form.ClientArea()};
  for (QWidget* target : targets) {
    SCOPED_TRACE(target->metaObject()->className());
    calls.clear();
    form.log.clear();
    // Offered as a move, taken as a copy: the source must not delete the file.
    EXPECT_EQ(DropFiles(target, kFiles), Qt::CopyAction);
    EXPECT_TRUE(calls.empty()) << "ran inside the drop";
    QTest::qWait(10);
    EXPECT_EQ(calls, std::vector<std::vector<std::string>>{kFiles});
    EXPECT_EQ(senders.back(), &form);
    EXPECT_TRUE(form.log.empty()) << form.log.front();  // nothing pasted, no change event
  }
  EXPECT_EQ(form.Edit("Word")->Text(), "abc");
}

// A name that is not UTF-8 (Latin-1, from an old archive) reaches the
// handler as its bytes. The URL is the one GLib gives for such a file
// (`gio info` on "caf\xE9 um.dad": "uri: file:///tmp/zk15uri/caf%E9%20um.dad").
TEST(Drop, PathsKeepTheirBytes) {
  const std::string latin1 = "/tmp/zk15uri/caf\xE9 um.dad";
  EXPECT_EQ(FileUri(latin1), QByteArray("file:///tmp/zk15uri/caf%E9%20um.dad"));
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  std::vector<std::string> got;
  form.OnDropFiles = [&](TObject*, const std::vector<std::string>& paths) { got = paths; };
  const std::vector<std::string> paths = {latin1, "/tmp/ação/caso\xC3.dad", "/tmp/100%/a#b?.dad"};
  EXPECT_EQ(DropFiles(form.ClientArea(), paths), Qt::CopyAction);
  QTest::qWait(10);
  EXPECT_EQ(got, paths);
}

// What PCManFM really offers for a Latin-1 name (tests/data/file-manager):
// the file arrives as its bytes.
TEST(Drop, APCManFMDropOfALatin1NameGivesItsBytes) {
  const QString dir = QStringLiteral(ZK_FILE_MANAGER_DIR "/pcmanfm-latin1-name/");
  QMimeData data;
  for (const char* format : {"text/uri-list", "text/plain", "text/plain;charset=utf-8"}) {
    QFile file(dir + QString(format).replace('/', '_').replace(';', '_').replace('=', '_'));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << format;
    data.setData(format, file.readAll());
  }
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  std::vector<std::string> got;
  form.OnDropFiles = [&](TObject*, const std::vector<std::string>& paths) { got = paths; };
  EXPECT_EQ(DropMimeData(form.ClientArea(), data), Qt::CopyAction);
  QTest::qWait(10);
  EXPECT_EQ(got, std::vector<std::string>{"/tmp/trial3/casos/caf\xE9.dad"});
}

TEST(Drop, AFailingHandlerIsShownByTheErrorDisplay) {
  MessageBoxRecorder boxes;
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  form.OnDropFiles = [](TObject*, const std::vector<std::string>&) { throw std::runtime_error("sem arquivo"); };
  EXPECT_EQ(DropFiles(form.ClientArea(), kFiles), Qt::CopyAction);
  QTest::qWait(10);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"sem arquivo."});
}

TEST(Drop, NothingIsTakenWhileAnotherWindowIsModal) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  int calls = 0;
  form.OnDropFiles = [&](TObject*, const std::vector<std::string>&) { ++calls; };
  TestForm dialog;
  Qt::DropAction action = Qt::CopyAction;
  QTimer::singleShot(0, [&] {
    action = DropFiles(form.ClientArea(), kFiles);
    dialog.Close();
  });
  dialog.ShowModal();
  QTest::qWait(10);
  EXPECT_EQ(action, Qt::IgnoreAction);
  EXPECT_EQ(calls, 0);
}

// While the work runs, the windows take no input; afterwards they do.
TEST(Progress, InputWaitsForNobodyWhileWorking) {
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  form.Edit("Word")->SetFocus();
  form.log.clear();
  std::atomic<bool> typed{false};
  TProgress::SetWorkerHookForTesting([&] {
    while (!typed) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  QTimer::singleShot(0, [&] {
    QTest::keyClick(form.Line("Word"), Qt::Key_X);
    // As the window system delivers a click: to the window first.
    QWidget* save = form.Button("Save")->Widget();
    QTest::mouseClick(form.Widget()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      save->mapTo(form.Widget(), save->rect().center()));
    typed = true;
  });
  double reported = -1;
  {
    TProgress progress(&form, "Trabalhando...", true);
    EXPECT_TRUE(progress.RunInWorker([&](const TProgress::TReport& report) {
      EXPECT_TRUE(report(1, 2));
      reported = 0.5;
    }));
  }
  TProgress::SetWorkerHookForTesting(nullptr);
  EXPECT_EQ(reported, 0.5);
  EXPECT_TRUE(form.log.empty()) << form.log.front();
  EXPECT_EQ(form.Edit("Word")->Text(), "abc");
  QTest::keyClick(form.Line("Word"), Qt::Key_End);
  QTest::keyClick(form.Line("Word"), Qt::Key_X);
  EXPECT_EQ(form.Edit("Word")->Text(), "abcx");
  QWidget* save = form.Button("Save")->Widget();
  QTest::mouseClick(form.Widget()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    save->mapTo(form.Widget(), save->rect().center()));
  EXPECT_EQ(form.log.back(), "click:Save");
}

// Nothing thrown on the worker leaves its thread: it is thrown again on the
// caller's, where a handler's dispatch catches it.
TEST(Progress, WhatTheWorkThrowsIsThrownByTheCaller) {
  MessageBoxRecorder boxes;
  TestForm form;
  ASSERT_TRUE(ShowAndActivate(form));
  form.Button("Save")->OnClick = [&](TObject*) {
    TProgress progress(&form, "...", false);
    progress.RunInWorker([](const TProgress::TReport&) { throw std::runtime_error("falhou no trabalho"); });
  };
  form.Button("Save")->Click();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"falhou no trabalho."});
}

}  // namespace
