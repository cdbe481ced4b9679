// The class registry: every class that commands can name, with its option table, in a fixed
// order. A class joins by its table being listed here.
#include "VX/VX_Object.h"

extern const VX_Option_Entry VX_Soundpipe_options[];
extern const VX_Option_Entry VX_Buffer_options[];
extern const VX_Option_Entry VX_Effect_options[];
extern const VX_Option_Entry VX_Effect_Zero_options[];
extern const VX_Option_Entry VX_Effect_Hipass_options[];
extern const VX_Option_Entry VX_Effect_Lgd_options[];
extern const VX_Option_Entry VX_Effect_Lopass_options[];
extern const VX_Option_Entry VX_Effect_Freqmul_options[];
extern const VX_Option_Entry VX_Effect_Nefreqmul_options[];
extern const VX_Option_Entry VX_Effect_Gtzero_options[];
extern const VX_Option_Entry VX_Effect_Ltzero_options[];
extern const VX_Option_Entry VX_Effect_Bapass_options[];
extern const VX_Option_Entry VX_Effect_Ampdet_options[];
extern const VX_Option_Entry VX_Effect_Copy_options[];
extern const VX_Option_Entry VX_Effect_Oper_options[];
extern const VX_Option_Entry VX_Effect_Koef_options[];
extern const VX_Option_Entry VX_Effect_Dist_options[];
extern const VX_Option_Entry VX_Effect_Deline_options[];
extern const VX_Option_Entry VX_Effect_Oversam_options[];
extern const VX_Option_Entry VX_Effect_Shift_options[];
extern const VX_Option_Entry VX_Effect_Nshift_options[];
extern const VX_Option_Entry VX_Fourier_Transform_options[];
extern const VX_Option_Entry VX_Fourier_Noisegate_options[];
extern const VX_Option_Entry VX_Gener_options[];
extern const VX_Option_Entry VX_Gener_White_options[];
extern const VX_Option_Entry VX_Gener_Exp_options[];
extern const VX_Option_Entry VX_Wid_options[];
extern const VX_Option_Entry VX_Wid_Pic_options[];
extern const VX_Option_Entry VX_Wid_Butt_options[];
extern const VX_Option_Entry VX_Wid_Knob_options[];
extern const VX_Option_Entry VX_Wid_Pal_options[];
extern const VX_Option_Entry VX_Wid_Text_options[];

constinit const VX_Class_Entry _VX[] = {
    {"VX_Object", VX_Object_options},
    {"VX_Soundpipe", VX_Soundpipe_options},
    {"VX_Buffer", VX_Buffer_options},
    {"VX_Effect", VX_Effect_options},
    {"VX_Effect_Zero", VX_Effect_Zero_options},
    {"VX_Effect_Hipass", VX_Effect_Hipass_options},
    {"VX_Effect_Lgd", VX_Effect_Lgd_options},
    {"VX_Effect_Lopass", VX_Effect_Lopass_options},
    {"VX_Effect_Freqmul", VX_Effect_Freqmul_options},
    {"VX_Effect_Nefreqmul", VX_Effect_Nefreqmul_options},
    {"VX_Effect_Gtzero", VX_Effect_Gtzero_options},
    {"VX_Effect_Ltzero", VX_Effect_Ltzero_options},
    {"VX_Effect_Bapass", VX_Effect_Bapass_options},
    {"VX_Effect_Ampdet", VX_Effect_Ampdet_options},
    {"VX_Effect_Copy", VX_Effect_Copy_options},
    {"VX_Effect_Oper", VX_Effect_Oper_options},
    {"VX_Effect_Koef", VX_Effect_Koef_options},
    {"VX_Effect_Dist", VX_Effect_Dist_options},
    {"VX_Effect_Deline", VX_Effect_Deline_options},
    {"VX_Effect_Oversam", VX_Effect_Oversam_options},
    {"VX_Effect_Shift", VX_Effect_Shift_options},
    {"VX_Effect_Nshift", VX_Effect_Nshift_options},
    {"VX_Fourier_Transform", VX_Fourier_Transform_options},
    {"VX_Fourier_Noisegate", VX_Fourier_Noisegate_options},
    {"VX_Gener", VX_Gener_options},
    {"VX_Gener_White", VX_Gener_White_options},
    {"VX_Gener_Exp", VX_Gener_Exp_options},
    {"VX_Wid", VX_Wid_options},
    {"VX_Wid_Pic", VX_Wid_Pic_options},
    {"VX_Wid_Butt", VX_Wid_Butt_options},
    {"VX_Wid_Knob", VX_Wid_Knob_options},
    {"VX_Wid_Pal", VX_Wid_Pal_options},
    {"VX_Wid_Text", VX_Wid_Text_options},
    {nullptr, nullptr},
};
