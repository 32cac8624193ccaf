#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/batch/BatchWindow.h"
#include "app/batch/ConversionSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class TBrowseForFolder;
class TEventLoopWaiter;
class TImager;

/// The application's one window: the folders, the quality, the size and the effects of a batch
/// run, the Start button that runs it, and the remembered folders. Its controls are the storage
/// of the settings that a run reads.
class TForm1 : public QWidget, public TBatchWindow {
  Q_OBJECT

 public:
  /// The application's title: the caption of plain message boxes and of the task-bar entry.
  static constexpr const char* ApplicationTitle = "Quillmere";

  /// Answers a message box instead of showing it (the tests' way in); the call returns when the
  /// box would have been closed.
  using TMessageBoxEvent =
      std::function<void(TMessageKind kind, const QString& caption, const QString& text)>;

  /// arguments: the command line without the program name. folderListDir: where "slist.dat"
  /// and "tlist.dat" live. Runs FormCreate.
  TForm1(const QStringList& arguments, const QString& folderListDir, QWidget* parent = nullptr);
  ~TForm1() override;

  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* ComboBox3 = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* ComboBox4 = nullptr;
  QLabel* Label6 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QCheckBox* CheckBox5 = nullptr;
  QCheckBox* CheckBox6 = nullptr;
  QCheckBox* CheckBox7 = nullptr;
  QCheckBox* CheckBox8 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* Button1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::unique_ptr<TBrowseForFolder> BrowseForFolder1;
  /// The window's imaging component; never shown. A run converts on components of its own, one
  /// for each photo converted at once.
  std::unique_ptr<TImager> Imager1;

  TMessageBoxEvent OnMessageBox;

  /// Loads the folder lists, selects the default quality and size, applies the command line and
  /// gives Start the focus.
  void FormCreate(const QStringList& arguments);
  /// Writes the folder lists; runs when the window closes, which ends the program.
  void FormDestroy();
  /// F1, with any shift keys, shows the help.
  void FormKeyDown(int key);
  /// Start runs the batch conversion; while it runs the button reads Stop and ends it after the
  /// photos in progress.
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void CheckBox1Click();
  void ComboBox1Change();
  void ComboBox2Change();

  void RememberFolders() override;
  void LoadFolderLists();
  void SaveFolderLists();

  /// The status bar's one text.
  QString StatusText() const;
  /// True from the press of Start until the run has ended.
  bool Running() const { return runState_ != TRunState::Idle; }

  // What a batch run asks of the window.
  ConversionSettings Settings() override;
  void SetProgressMaximum(int maximum) override;
  void SetProgressPosition(int position) override;
  void SetStatusText(const std::string& text) override;
  /// Plain boxes have the application's title as caption, validation errors "Error".
  void ShowMessage(const std::string& text, TMessageKind kind) override;
  /// Lets the window repaint and respond, Stop among it.
  void ProcessPendingEvents() override;
  /// True once Stop was pressed or the window closed during a run.
  bool StopRequested() override;
  void FocusSourceFolder() override;
  void FocusTargetFolder() override;

  /// The F1 help, lines separated by CR LF.
  static QString HelpText();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateSettingsControls();
  void CreateEffectsControls();
  void CreatePhotosControls();
  void SetTabOrder();
  void ConnectHandlers();
  void BrowseInto(QComboBox* box);
  void RunBatch();
  void RequestStop();
  void EnableFolderControls(bool enabled);

  // Stopping: Stop was pressed or the window closed; the run ends after the photos in progress.
  enum class TRunState { Idle, Running, Stopping };
  TRunState runState_ = TRunState::Idle;
  // Where a run waits for its photos; woken by Stop so that no further photo is started.
  std::unique_ptr<TEventLoopWaiter> runWaiter_;
  bool closeAfterRun_ = false;

  QString folderListDir_;
  QLabel* statusLabel_ = nullptr;
  // The last key press seen and where; the toolkit offers one press to every parent of the
  // focused control in turn, and the window must act on it once.
  const QEvent* previewedKey_ = nullptr;
  QPointer<QWidget> previewedReceiver_;
};
