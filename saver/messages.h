// The saver window's private messages and the effect codes.
#ifndef VELMORA_MESSAGES_H
#define VELMORA_MESSAGES_H

enum SaverMessage : unsigned {
    SSM_DRAWIMAGE = 0x1D00,
    SSM_SETPALETTE = 0x1D01,
    SSM_CHOOSEPALETTE = 0x1D02,
    SSM_NEXTTRANSITION = 0x1D03,
    SSM_MOVESTEP = 0x1D04,
    SSM_CYCLESTEP = 0x1D05,
    SSM_CLEARSCREEN = 0x1D07,
    SSM_IMAGEDONE = 0x1D09,
    SSM_TRANSFORMSTEP = 0x1D0A,
    SSM_NEWIMAGE = 0x1D0B,
    SSM_VERIFYPASSWORD = 0x8000,  // the host's own
};

enum EffectCode { kEffectPlain = 0, kEffectMoving = 1, kEffectPsychedelic = 2, kEffectTransforming = 4 };

constexpr unsigned kImageTimer = 200;

#endif
