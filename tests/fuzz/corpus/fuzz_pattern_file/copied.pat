[SYSTEM]
MaxCh=16
[Pattern4]
ChEnable=0,1,
