#include "kestu_paper.h"

VPaper::VPaper()
    : m_rect(), m_pixelShade(nullptr), m_alphaBuffer(nullptr), m_transColor(-1), m_borderColor(0), m_backColor(0),
      m_foreColor(0), m_alphaIndex(0), m_transGrade(16), m_enhanceGrade(0), m_sourceFilterMask(0xF800), m_pixelWidth(8),
      m_pixelFormat(8), m_colorTable(nullptr), m_alphaData(nullptr), m_alphaCompressed(0)
{
}

VPaper::VPaper(const VPaper& other)
    : m_rect(other.m_rect), m_pixelShade(other.m_pixelShade), m_alphaBuffer(other.m_alphaBuffer),
      m_transColor(other.m_transColor), m_borderColor(other.m_borderColor), m_backColor(other.m_backColor),
      m_foreColor(other.m_foreColor), m_alphaIndex(other.m_alphaIndex), m_transGrade(other.m_transGrade),
      m_enhanceGrade(other.m_enhanceGrade), m_sourceFilterMask(other.m_sourceFilterMask),
      m_pixelWidth(other.m_pixelWidth), m_pixelFormat(other.m_pixelFormat), m_colorTable(other.m_colorTable),
      m_alphaData(other.m_alphaData), m_alphaCompressed(other.m_alphaCompressed)
{
    m_rect.area = m_rect.width * m_rect.height;
}

VPaper& VPaper::operator=(const VPaper& other) = default;

VPaper::~VPaper() = default;

int VPaper::IsCompressed() { return 0; }
int VPaper::Build(void*) { return 1; }
int VPaper::PaintNoClip(DBUF*, int, int, PAINT_TYPE) { return 1; }
int VPaper::RotatePaint(DBUF*, int, int, float, float, const GRECT*) { return 1; }
int VPaper::StretchPaint(DBUF*, int, int, int, int, int, int, DWORD, int, int, const GRECT*) { return 1; }
int VPaper::InversePaint(DBUF*, int, int, int, int, int, int, DWORD, PAINT_DIRECTION, const GRECT*) { return 1; }
int VPaper::GetTransColor() { return m_transColor; }
void VPaper::SetTransColor(int colour) { m_transColor = colour; }
int VPaper::GetBorderColor() { return m_borderColor; }
void VPaper::SetBorderColor(int colour) { m_borderColor = colour; }
HRESULT VPaper::SaveToXBmpFile(const char*) { return 0; }
int VPaper::GetDataHead(unsigned short*) { return 1; }

DBUF::DBUF() : m_orientation(1), m_pitch(0), m_rows(0) {}

DBUF::~DBUF() = default;

int DBUF::Build(void*) { return 1; }
int DBUF::Paint(DBUF*, int, int, DWORD, const GRECT*) { return 1; }
