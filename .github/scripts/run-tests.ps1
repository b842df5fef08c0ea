# Runs test programs of the Windows build (build\windows) natively, one after the other, and fails
# when any of them fails. Their test folders go in -Folder (TRASVIDORA_TEST_FOLDER), or in the
# system's temporary folder when it is not given. The remote-drive test gets
# TRASVIDORA_NETWORK_FOLDER on a drive letter mapped here to the runner's own share
# (make-test-folders.ps1 made both). -RequireWindowsFeatures makes the tests of kept access lists
# and encryption fail where they would skip. Each program's results go to
# build\test-results\<Run>-<program>.xml.
param(
  [Parameter(Mandatory)] [string] $Run,
  [Parameter(Mandatory)] [string[]] $Programs,
  [string] $Folder = '',
  [switch] $RequireWindowsFeatures
)
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false
Set-StrictMode -Version Latest

$root = (Resolve-Path (Join-Path $PSScriptRoot '..\..')).Path
$tests = Join-Path $root 'build\windows\tests'
$results = Join-Path $root 'build\test-results'
New-Item -ItemType Directory -Force -Path $results | Out-Null

# The remote drive: mapped again when this step does not see the mapping of an earlier one.
$drive = Split-Path -Qualifier $env:TRASVIDORA_NETWORK_FOLDER
if (-not (Test-Path "$drive\")) {
  net use $drive $env:TRASVIDORA_SHARE /persistent:no | Out-Host
  if ($LASTEXITCODE -ne 0) { throw "net use $drive $env:TRASVIDORA_SHARE failed (status $LASTEXITCODE)" }
}
$driveType = [IO.DriveInfo]::new($drive).DriveType
if ($driveType -ne [IO.DriveType]::Network) { throw "$drive is not reported as a network drive ($driveType)" }
New-Item -ItemType Directory -Force -Path $env:TRASVIDORA_NETWORK_FOLDER | Out-Null

if ($Folder) {
  New-Item -ItemType Directory -Force -Path $Folder | Out-Null
  $env:TRASVIDORA_TEST_FOLDER = $Folder
  Write-Host "Test folders in $Folder"
} else {
  $env:TRASVIDORA_TEST_FOLDER = $null
  Write-Host "Test folders in $([IO.Path]::GetTempPath())"
}
$env:TRASVIDORA_REQUIRE_WINDOWS_FEATURES = if ($RequireWindowsFeatures) { '1' } else { $null }

$failed = @()
foreach ($program in $Programs) {
  $exe = Get-ChildItem -Path $tests -Recurse -Filter "$program.exe" | Select-Object -First 1
  if (-not $exe) { throw "$program.exe is not in $tests" }
  Write-Host "::group::$program ($Run)"
  & $exe.FullName "--gtest_output=xml:$results\$Run-$program.xml"
  $status = $LASTEXITCODE
  Write-Host '::endgroup::'
  if ($status -ne 0) {
    Write-Host "::error::$program failed in the $Run run (exit status $status)"
    $failed += $program
  } else {
    Write-Host "$program passed in the $Run run"
  }
}
if ($failed) { throw "failed in the $Run run: $($failed -join ', ')" }
