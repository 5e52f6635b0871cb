// Answers the next modal dialog of a Qt test as soon as it is open.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(QWidget&)> answer) {
    QObject::connect(&poll_, &QTimer::timeout, [this, answer] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        poll_.stop();
        answer(*modal);
      }
    });
    poll_.start(5);
  }

 private:
  QTimer poll_;
};
