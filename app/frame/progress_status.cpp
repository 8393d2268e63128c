#include "app/frame/progress_status.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "engine/frame/cregistry.h"

namespace {
constexpr int kTickMs = 1000;
}  // namespace

CProgressStatus::CProgressStatus(QWidget* parent)
    : QStatusBar(parent),
      m_progress(new QProgressBar(this)),
      m_text(new QLabel(this)),
      m_name(new QLabel(this)),
      m_timer(new QTimer(this)) {
    setSizeGripEnabled(false);
    m_text->setText(tr("Ready"));
    addWidget(m_text, 1);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(tr("Progress of the search or connection"));
    m_name->setAccessibleName(tr("Device"));
    m_progress->setFixedWidth(kProgressPaneWidth);
    addPermanentWidget(m_progress);
    m_name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_name->setFixedWidth(kNamePaneWidth);
    addPermanentWidget(m_name);
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, &CProgressStatus::OnTimer);
}

void CProgressStatus::StartInquiry() { start(kInquiry, L"ElapsedTimeInquiryDevice"); }

void CProgressStatus::StartConnecting() { start(kConnecting, L"ElapsedTimeConnecting"); }

void CProgressStatus::start(Mode mode, const wchar_t* registryValue) {
    m_timer->stop();
    std::uint32_t estimate = static_cast<std::uint32_t>(CRegistry().ReadValueDword(registryValue));
    if (estimate == 0) estimate = kDefaultEstimate;
    m_mode = mode;
    m_remaining = estimate;
    m_total = estimate;
    m_timer->start();
}

void CProgressStatus::Stop() {
    // An exceeded estimate has wrapped `remaining` round to a huge number.
    if (m_remaining > m_total || m_remaining + 1 < m_total)
        m_mode = kFinishing;
    else
        m_mode = kResetting;
}

void CProgressStatus::OnTimer() {
    switch (m_mode) {
    case kInquiry:
    case kConnecting:
        m_text->setText(m_mode == kInquiry ? tr("Inquiry Running ...") : tr("Connecting ..."));
        if (m_remaining != m_total)
            m_progress->setValue(static_cast<int>((m_total - m_remaining) * 100u / m_total % 100u));
        --m_remaining;
        break;
    case kFinishing:
        m_mode = kResetting;
        m_progress->setValue(100);
        break;
    case kResetting:
        m_mode = kIdle;
        m_text->setText(tr("Ready"));
        m_progress->setValue(0);
        break;
    case kIdle:
        break;
    }
}

void CProgressStatus::SetDeviceName(const QString& text) { m_name->setText(text); }

int CProgressStatus::Position() const { return m_progress->value(); }

QString CProgressStatus::StatusText() const { return m_text->text(); }

QString CProgressStatus::DeviceName() const { return m_name->text(); }

bool CProgressStatus::TimerActive() const { return m_timer->isActive(); }
