// Dialog templates, controls and context-menu commands of the partition
// manager and its pages. Plain #defines: the resource compiler reads this
// file too. Templates 300-349, controls 4000-4999.
#ifndef VEKTREL_PARTITION_IDS_H
#define VEKTREL_PARTITION_IDS_H

#define IDD_CREATEPART1 300
#define IDD_CREATEPART4 301
#define IDD_CREATEPART41 302
#define IDD_CREATEPART42 303
#define IDD_CREATEPART3 304
#define IDD_CREATEPART5 305
#define IDD_CCFORMAT 306
#define IDD_CFORMATDISK 307
#define IDD_CREATEPART6 308

// The context menu's commands; their numbers are fixed.
#define ID_CREATEPARTITION_NEWPART 0x800B
#define ID_CREATEPARTITION_DELETEPART 0x800C
#define ID_CREATEPARTITION_RESIZEPART 0x800D
#define ID_CREATEPARTITION_FORMAT 0x800E
#define ID_CREATEPARTITION_PROPERTIES 0x800F
#define ID_CREATEPARTITION_LOGICAL 0x8011

// Partition manager window (CCreatePart1)
#define IDC_PM_LABEL_LIST 4001
#define IDC_PM_LABEL_MAP 4002
#define IDC_PM_LABEL_DETAILS 4003
#define IDC_PM_INFO_KIND 4004
#define IDC_PM_INFO_SIZE 4005
#define IDC_PM_INFO_TYPE 4006

// Size and kind (CCreatePart4) and resize (CCreatePart3)
#define IDC_CP_LABEL1 4101
#define IDC_CP_LABEL2 4102
#define IDC_CP_DRIVE 4103
#define IDC_CP_MIN_LABEL 4104
#define IDC_CP_MIN 4105
#define IDC_CP_MAX_LABEL 4106
#define IDC_CP_MAX 4107
#define IDC_CP_SIZE_LABEL 4108
#define IDC_CP_SIZE 4109
#define IDC_CP_SLIDER 4110
#define IDC_CP_APPLY 4111
#define IDC_CP_PRIMARY 4112
#define IDC_CP_EXTENDED 4113
#define IDC_CP_DRIVE_VALUE 4114
#define IDC_CP_RESIZE 4115

// Format option and file system (CCreatePart41)
#define IDC_CP41_LABEL 4201
#define IDC_CP41_FS_LABEL 4202
#define IDC_CP41_FS 4203
#define IDC_CP41_NOFORMAT 4204
#define IDC_CP41_QUICK 4205
#define IDC_CP41_FULL 4206

// Summary (CcreatePart42)
#define IDC_CP42_LABEL 4301
#define IDC_CP42_SUMMARY 4302

// Format page (CCreatePart5)
#define IDC_CP5_LABEL 4501
#define IDC_CP5_DRIVE_LABEL 4502
#define IDC_CP5_DRIVE 4503
#define IDC_CP5_SIZE_LABEL 4504
#define IDC_CP5_SIZE 4505
#define IDC_CP5_FS_LABEL 4506
#define IDC_CP5_FS 4507
#define IDC_CP5_QUICK 4508
#define IDC_CP5_START 4509

// Formatting dialog (CCFormat) and the format-now prompt (CFormatDisk)
#define IDC_CF_TEXT 4601
#define IDC_CF_PERCENT 4602
#define IDC_CF_START 4603
#define IDC_FD_TEXT 4701
#define IDC_FD_FORMATNOW 4702

// Properties (CCreatePart6): a label and a value per line, and the pie.
#define IDC_CP6_DISKNO_LABEL 4801
#define IDC_CP6_DISKSIZE_LABEL 4802
#define IDC_CP6_MODEL_LABEL 4803
#define IDC_CP6_DRIVE_LABEL 4804
#define IDC_CP6_FS_LABEL 4805
#define IDC_CP6_PARTSIZE_LABEL 4806
#define IDC_CP6_FREE_LABEL 4807
#define IDC_CP6_USED_LABEL 4808
#define IDC_CP6_DISKNO 4811
#define IDC_CP6_DISKSIZE 4812
#define IDC_CP6_MODEL 4813
#define IDC_CP6_DRIVE 4814
#define IDC_CP6_FS 4815
#define IDC_CP6_PARTSIZE 4816
#define IDC_CP6_FREE 4817
#define IDC_CP6_USED 4818
#define IDC_CP6_PIE 4820
#define IDC_CP6_PARTITION_GROUP 4821

#endif
