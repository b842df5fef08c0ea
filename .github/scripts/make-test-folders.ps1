# Makes the places the file tests run in besides the runner's own temporary folder (NTFS): the
# runner's own share, \\localhost\trasvidora (a drive letter mapped to it is the remote drive of
# the tests), FAT32 and exFAT disks, a small NTFS disk for the full-disk test, and a ReFS Dev Drive
# where DEVDRIVE_REQUIRED is true. The disks are virtual: VHDX files made and attached by diskpart,
# which needs no Hyper-V. Needs an administrator, as the hosted runners are.
# Tells the later steps where they are: TRASVIDORA_SHARE, TRASVIDORA_NETWORK_FOLDER and
# TRASVIDORA_SMALL_DISK in GITHUB_ENV; the test folders in GITHUB_OUTPUT (share, fat32, exfat,
# devdrive; devdrive empty where none is required).
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false
Set-StrictMode -Version Latest

$work = Join-Path $env:RUNNER_TEMP 'trasvidora-folders'
New-Item -ItemType Directory -Force -Path $work | Out-Null

function Set-StepValue([string] $File, [string] $Name, [string] $Value) {
  Add-Content -Path $File -Value "$Name=$Value"
  Write-Host "$Name=$Value"
}

function Invoke-Diskpart([string[]] $Commands) {
  $script = Join-Path $work 'diskpart.txt'
  Set-Content -Path $script -Value $Commands -Encoding ascii
  diskpart /s $script | Out-Host
  if ($LASTEXITCODE -ne 0) { throw "diskpart failed (status $LASTEXITCODE): $($Commands -join '; ')" }
}

# A virtual disk of $SizeMB that grows as it is written, attached, with one partition at drive
# $Letter, formatted as $FileSystem (left raw when $FileSystem is empty).
function New-VirtualDisk([string] $Name, [int] $SizeMB, [string] $Letter, [string] $FileSystem) {
  if (Test-Path "${Letter}:\") { throw "drive ${Letter}: is already taken on this runner" }
  $file = Join-Path $work "$Name.vhdx"
  $commands = @(
    "create vdisk file=`"$file`" maximum=$SizeMB type=expandable",
    "select vdisk file=`"$file`"",
    'attach vdisk',
    'create partition primary'
  )
  if ($FileSystem) { $commands += "format fs=$FileSystem quick label=$Name" }
  $commands += "assign letter=$Letter"
  Invoke-Diskpart $commands
}

# A folder for the tests on drive $Letter, after saying what Windows reports of the drive.
function New-TestFolder([string] $Letter) {
  $volume = Get-Volume -DriveLetter $Letter
  Write-Host "${Letter}: $($volume.FileSystem), $($volume.Size) bytes, $($volume.DriveType)"
  $folder = "${Letter}:\tests"
  New-Item -ItemType Directory -Force -Path $folder | Out-Null
  return $folder
}

# The runner's own share. The run script maps a drive letter to it, which Windows reports as a
# network drive, for the tests of a remote drive.
$shared = Join-Path $work 'share'
New-Item -ItemType Directory -Force -Path (Join-Path $shared 'tests') | Out-Null
if ((Get-Service LanmanServer).Status -ne 'Running') { Start-Service LanmanServer }
New-SmbShare -Name trasvidora -Path $shared -FullAccess Everyone | Out-Host
Set-StepValue $env:GITHUB_ENV TRASVIDORA_SHARE '\\localhost\trasvidora'
Set-StepValue $env:GITHUB_ENV TRASVIDORA_NETWORK_FOLDER 'N:\remote-drive'
Set-StepValue $env:GITHUB_OUTPUT share '\\localhost\trasvidora\tests'

New-VirtualDisk -Name FAT32 -SizeMB 256 -Letter T -FileSystem fat32
Set-StepValue $env:GITHUB_OUTPUT fat32 (New-TestFolder T)

New-VirtualDisk -Name EXFAT -SizeMB 256 -Letter X -FileSystem exfat
Set-StepValue $env:GITHUB_OUTPUT exfat (New-TestFolder X)

# Small enough for the full-disk test (at most 64 MiB), which fills it.
New-VirtualDisk -Name SMALL -SizeMB 32 -Letter S -FileSystem ntfs
Set-StepValue $env:GITHUB_ENV TRASVIDORA_SMALL_DISK (New-TestFolder S)

# A Dev Drive is ReFS of at least 50 GB, on Windows 11 and Windows Server 2025; the disk file only
# grows by what the tests write. Where DEVDRIVE_REQUIRED is true (the workflow's windows-2025 job),
# a Dev Drive that cannot be made fails this step: a green run there has tested one.
$devDrive = ''
$required = $env:DEVDRIVE_REQUIRED -eq 'true'
if (-not (Get-Command Format-Volume).Parameters.ContainsKey('DevDrive')) {
  $why = "Format-Volume has no -DevDrive on this Windows ($([Environment]::OSVersion.VersionString))"
  if ($required) { throw "No Dev Drive: $why" }
  Write-Host "No Dev Drive here, none is required: $why."
} elseif ($required) {
  New-VirtualDisk -Name DEVDRIVE -SizeMB 51200 -Letter R -FileSystem ''
  Format-Volume -DriveLetter R -DevDrive -Confirm:$false -Force | Out-Host
  fsutil devdrv query R: | Out-Host
  if ($LASTEXITCODE -ne 0) { throw "R: is not a Dev Drive (fsutil devdrv query: status $LASTEXITCODE)" }
  $devDrive = New-TestFolder R
}
Set-StepValue $env:GITHUB_OUTPUT devdrive $devDrive
