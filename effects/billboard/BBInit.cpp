#include "kestu_billboard.h"

void SBBInit::SetBBEffect(ENUM_BB_EFFECT e)
{
    switch (e) {
    case BB_EFFECT_ADD:
        dwColorOp = D3DTOP_ADD;
        dwColorArg1 = D3DTA_TEXTURE;
        dwColorArg2 = D3DTA_TEXTURE;
        break;
    case BB_EFFECT_TFACTOR:
        dwColorOp = D3DTOP_DOTPRODUCT3;
        dwColorArg1 = D3DTA_TEXTURE;
        dwColorArg2 = D3DTA_TFACTOR;
        dwTexFactor = 0xFFFFFFFF;
        break;
    case BB_EFFECT_KEEP: break;
    default:
        dwColorOp = D3DTOP_SELECTARG1;
        dwColorArg1 = D3DTA_TEXTURE;
        break;
    }
}
