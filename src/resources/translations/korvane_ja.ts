<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>Job Control</source>
        <extracomment>Name of the print dialog tab.</extracomment>
        <translation>ジョブ制御</translation>
    </message>
    <message>
        <source>Retention and Filing</source>
        <extracomment>Tab label.</extracomment>
        <translation>保持とファイリング</translation>
    </message>
    <message>
        <source>Authentication and Account</source>
        <extracomment>Tab label.</extracomment>
        <translation>認証とアカウント</translation>
    </message>
    <message>
        <source>Job ID and Printer</source>
        <extracomment>Tab label: job identification and the printer address.</extracomment>
        <translation>ジョブとプリンター</translation>
    </message>
    <message>
        <source>Job Retention</source>
        <extracomment>Check box: keep the job stored in the printer.</extracomment>
        <translation>ジョブ保持</translation>
    </message>
    <message>
        <source>Retention Mode</source>
        <extracomment>Group box; also the title of a summary line.</extracomment>
        <translation>保持モード</translation>
    </message>
    <message>
        <source>Hold Only</source>
        <extracomment>Store the job in the printer without printing it.</extracomment>
        <translation>保持のみ</translation>
    </message>
    <message>
        <source>Hold After Print</source>
        <extracomment>Print the job, then keep it in the printer.</extracomment>
        <translation>印刷後に保持</translation>
    </message>
    <message>
        <source>Sample Print</source>
        <extracomment>Print one copy, hold the rest.</extracomment>
        <translation>試し印刷</translation>
    </message>
    <message>
        <source>PIN</source>
        <extracomment>Caption of the retention PIN field (a colon is added).</extracomment>
        <translation>暗証番号</translation>
    </message>
    <message>
        <source>Document Filing</source>
        <extracomment>Group box.</extracomment>
        <translation>ドキュメントファイリング</translation>
    </message>
    <message>
        <source>Folder</source>
        <extracomment>Caption of the folder choice (a colon is added).</extracomment>
        <translation>フォルダー</translation>
    </message>
    <message>
        <source>Quick File</source>
        <extracomment>The printer's quick file folder.</extracomment>
        <translation>クイックファイル</translation>
    </message>
    <message>
        <source>Main Folder</source>
        <extracomment>The printer's main folder.</extracomment>
        <translation>メインフォルダー</translation>
    </message>
    <message>
        <source>Custom Folder</source>
        <extracomment>A folder the printer's users created.</extracomment>
        <translation>カスタムフォルダー</translation>
    </message>
    <message>
        <source>Folder Password</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>フォルダーパスワード</translation>
    </message>
    <message>
        <source>Get Folder Names</source>
        <extracomment>Button: ask the printer for its folders.</extracomment>
        <translation>フォルダー名を取得</translation>
    </message>
    <message>
        <source>Login Name and Password</source>
        <extracomment>Authentication choice.</extracomment>
        <translation>ログイン名とパスワード</translation>
    </message>
    <message>
        <source>Login Name</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>ログイン名</translation>
    </message>
    <message>
        <source>Password</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>パスワード</translation>
    </message>
    <message>
        <source>User Number</source>
        <extracomment>Authentication choice; captions the user number field.</extracomment>
        <translation>ユーザー番号</translation>
    </message>
    <message>
        <source>Account Number</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>アカウント番号</translation>
    </message>
    <message>
        <source>Job Identification</source>
        <extracomment>Group box.</extracomment>
        <translation>ジョブ識別</translation>
    </message>
    <message>
        <source>User Name</source>
        <extracomment>Caption (a colon is added); also a summary line title.</extracomment>
        <translation>ユーザー名</translation>
    </message>
    <message>
        <source>Job Name</source>
        <extracomment>Caption (a colon is added); also a summary line title.</extracomment>
        <translation>ジョブ名</translation>
    </message>
    <message>
        <source>Printer Address</source>
        <extracomment>Caption (a colon is added).</extracomment>
        <translation>プリンターアドレス</translation>
    </message>
    <message>
        <source>On</source>
        <extracomment>Summary value of the retention check box.</extracomment>
        <translation>オン</translation>
    </message>
    <message>
        <source>Off</source>
        <extracomment>Summary value of the retention check box.</extracomment>
        <translation>オフ</translation>
    </message>
    <message>
        <source>Could not retrieve Folder Names.%@</source>
        <extracomment>Alert text; keep %@ where further detail may follow.</extracomment>
        <translation>フォルダー名を取得できませんでした。%@</translation>
    </message>
    <message>
        <source>OK</source>
        <extracomment>Alert button.</extracomment>
        <translation>OK</translation>
    </message>
    <message>
        <source>Remember the PIN</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>暗証番号を記憶する</translation>
    </message>
    <message>
        <source>Remember the folder password</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>フォルダーパスワードを記憶する</translation>
    </message>
    <message>
        <source>Remember the folder name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>フォルダー名を記憶する</translation>
    </message>
    <message>
        <source>Remember the login name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>ログイン名を記憶する</translation>
    </message>
    <message>
        <source>Remember the password</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>パスワードを記憶する</translation>
    </message>
    <message>
        <source>Remember the user number</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>ユーザー番号を記憶する</translation>
    </message>
    <message>
        <source>Remember the account number</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>アカウント番号を記憶する</translation>
    </message>
    <message>
        <source>Remember the user name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>ユーザー名を記憶する</translation>
    </message>
    <message>
        <source>Remember the job name</source>
        <extracomment>Tool tip of a padlock button.</extracomment>
        <translation>ジョブ名を記憶する</translation>
    </message>
</context>
</TS>
